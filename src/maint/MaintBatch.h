#pragma once
// Batch commands of maintenance.
//
//   retention [--order-months N] [--billing-months N] [--pb-months N]
//             [--keep-batch N]... [--yes]
//       lists what the retention screen shows, with its ticks, and deletes
//       what is ticked after the question; --keep-batch unticks a batch.
//       The periods default to Gyoum.ini. Compaction is its own command.
//   compact            backs up, then compacts data.db
//   backup             makes a backup now
//   backups            one backup per line, newest first: name, when, why
//   restore NAME       puts the database back to that backup (after a backup)
//   pending --slips|--lists
//                      the batches whose slips (or assortment lists) are not printed

#include "store/BatchCommand.h"

#include <QList>

QList<BatchCommand> maintBatchCommands();
