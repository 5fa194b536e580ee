#pragma once
// Batch commands of corrections and custom output.
//
//   export NOUHIN|SEIKYU --out DIR [VALUE ...] [--set N=VALUE ...]
//   export --definition FILE --out DIR [VALUE ...] [--set N=VALUE ...]
//
// runs a custom export definition (AppFolder/SQL/<NAME>.SQL, or any file)
// into DIR. The values fill the placeholders /[0]/ to /[9]/ in order;
// `--set N=VALUE` (or `--param VALUE`, the next free one) names one. Values
// not given are a single blank, as the screens pass them. SEIKYU needs the
// billing run number as value 0. `--to` is accepted for `--out`.

#include "store/BatchCommand.h"

#include <QList>

QList<BatchCommand> outputBatchCommands();
