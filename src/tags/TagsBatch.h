#pragma once
// Batch commands of the price tags.
//
//   tags --batch N --kind KIND CODE [--reprint]
//       the 札名 run of batch N's summary row(s) of tag kind KIND and code
//       CODE: the lines still to write, or with --reprint those written
//   tags --line INDEXNOBD --count Q
//       the one-line run with Q tags
//   tag-summary --batch N
//       rebuilds the batch's tag summary and prints its rows, tab-separated
//   request-workbooks --batch N [--partner CODE]
//       the request confirmation workbooks of batch N (or of one partner);
//       one line per workbook: request number, tab, path
//   requests
//       the requests as the request screen lists them, tab-separated
//   request-tags --request NO
//       the request's tag data; one line per file written

#include "store/BatchCommand.h"

#include <QList>

QList<BatchCommand> tagsBatchCommands();
