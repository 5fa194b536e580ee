#include "app/BatchRegistry.h"

#include "app/BatchRunner.h"

QList<BatchCommand> allBatchCommands()
{
    QList<BatchCommand> all = coreBatchCommands();
    return all;
}
