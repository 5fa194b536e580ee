#pragma once
// The print actions of the slip list from the command line:
//
//   print-slips --batch N [--slip NO] [--pdf FILE]
//   print-assortment --batch N [--order NO] [--pdf FILE]
//
// with the same questions (answered by --yes), the same stamps and the
// same printers as the screen; --pdf puts the pages into FILE instead.

#include "store/BatchCommand.h"

#include <QList>

QList<BatchCommand> slipsBatchCommands();
