#pragma once
// Batch command of the consignment billing detail.
//
//   consignment --date YYYYMMDD|YYMMDD [--yes]
//
// asks the run's question (answered by --yes), writes the workbook of every
// tagged line not yet charged up to that date and marks the lines charged;
// prints the workbook's path and the number of lines. Exit 1 when nothing
// was gathered.

#include "store/BatchCommand.h"

#include <QList>

QList<BatchCommand> consignmentBatchCommands();
