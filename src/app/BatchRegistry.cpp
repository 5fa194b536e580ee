#include "app/BatchRegistry.h"

#include "app/BatchRunner.h"
#include "import/ImportBatch.h"
#include "output/ChangeHistory.h"
#include "output/OutputBatch.h"
#include "slips/SlipsBatch.h"
#include "store/Connection.h"

QList<BatchCommand> allBatchCommands()
{
    QList<BatchCommand> all = coreBatchCommands();
    all << importBatchCommands();
    all << BatchCommand{QStringLiteral("change-history"), QStringLiteral("change-history"),
                        QStringLiteral("未報告の数量・売単価の訂正を変更履歴ブックに出力します"),
                        [](BatchContext &ctx) {
                            const ChangeHistoryResult r = writeChangeHistory(RequireConnection(), ctx.dialogs);
                            return r.status == 0 ? BatchExit::Done : BatchExit::NothingDone;
                        }};
    all << outputBatchCommands();
    all << slipsBatchCommands();
    return all;
}
