#pragma once
// Batch commands of the export column sets.
//
//   column-sets         one line per set: key and name, as the editor lists them
//   column-set NAME     the members of the set NAME (its key, or else its
//                       shown name) in order: position, table.column, caption

#include "store/BatchCommand.h"

#include <QList>

QList<BatchCommand> columnSetBatchCommands();
