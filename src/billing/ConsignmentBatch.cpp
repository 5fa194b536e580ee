#include "billing/ConsignmentBatch.h"

#include "billing/ConsignmentDetail.h"
#include "store/Connection.h"

#include <QTextStream>

namespace {

const QString Usage = QStringLiteral("使い方: consignment --date YYYYMMDD [--yes]");

int runConsignment(BatchContext &ctx)
{
    QString date;
    for (int i = 0; i < ctx.args.size(); ++i) {
        const QString &a = ctx.args.at(i);
        if (a == QLatin1String("--date") && i + 1 < ctx.args.size())
            date = ctx.args.at(++i);
        else if (a.startsWith(QLatin1String("--date=")))
            date = a.mid(7);
        else {
            ctx.err << Usage << Qt::endl;
            return BatchExit::Usage;
        }
    }
    if (date.isEmpty()) {
        ctx.err << Usage << Qt::endl;
        return BatchExit::Usage;
    }
    const std::optional<QString> limit = consignmentLimitDate(date);
    if (!limit) {
        ctx.err << QStringLiteral("--date の日付が正しくありません（YYYYMMDD または YYMMDD）: %1").arg(date) << Qt::endl;
        return BatchExit::Usage;
    }
    const ConsignmentResult r = IssueConsignmentDetail(RequireConnection(), ctx.dialogs, date);
    if (r.status != 0)
        return BatchExit::NothingDone;
    ctx.out << r.path << Qt::endl;
    ctx.out << QStringLiteral("明細 %1 件").arg(r.lines) << Qt::endl;
    return BatchExit::Done;
}

} // namespace

QList<BatchCommand> consignmentBatchCommands()
{
    return {BatchCommand{QStringLiteral("consignment"), QStringLiteral("consignment --date YYYYMMDD"),
                         QStringLiteral("値札の委託請求明細（まだ請求していない明細）をブックに出力します"),
                         runConsignment}};
}
