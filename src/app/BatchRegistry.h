#pragma once
#include "store/BatchCommand.h"
#include <QList>

// Every batch command of the executable, in the order --help lists them.
QList<BatchCommand> allBatchCommands();
