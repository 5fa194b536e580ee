#pragma once
// The imports in batch mode:
//   import-order FILE [--trash]   an order file
//   import-pb FILE [--trash]      the PB tag master
//   import-add FILE [--trash]     the delivery-destination master
//   import-new                    every new order file of the read folder
//   batches                       the imported batches
// The confirmation is printed and answered as every batch question is
// (OK with --yes); --trash moves an imported file to the trash, as the
// operator's OK to the screen's recycle-bin question does.

#include "store/BatchCommand.h"

#include <QList>

QList<BatchCommand> importBatchCommands();
