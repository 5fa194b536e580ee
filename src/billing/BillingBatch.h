#pragma once
// Batch commands of billing, the same operations the billing screens run:
//
//   closing --from YYYY/MM/DD --to YYYY/MM/DD     the closing calculation
//   billing-tick [--run Z] --slip INDEXNOH2 --on|--off
//                                                  a tick of this billing, or of a slip of run Z
//   billing-check                                  the amount check's summary
//   bill --out FILE                                bills the ticked slips into FILE
//   billing-reoutput --run Z --out FILE            run Z's billing file again
//   billing-export --run Z --to DIR                the custom export SQL/SEIKYU.SQL of run Z
//   billing-runs                                   the history, one run per line

#include "store/BatchCommand.h"

#include <QList>

QList<BatchCommand> billingBatchCommands();
