#include "output/ColumnSetBatch.h"

#include "output/ColumnSets.h"
#include "store/Connection.h"
#include "store/Dialogs.h"

#include <QTextStream>

namespace {

int runColumnSets(BatchContext &ctx)
{
    if (!ctx.args.isEmpty()) {
        ctx.err << QStringLiteral("使い方: column-sets") << Qt::endl;
        return BatchExit::Usage;
    }
    for (const ColumnSetName &s : columnSetNames(RequireConnection()))
        ctx.out << s.dbName << QLatin1Char('\t') << s.name << Qt::endl;
    return BatchExit::Done;
}

int runColumnSet(BatchContext &ctx)
{
    if (ctx.args.size() != 1 || ctx.args.at(0).isEmpty()) {
        ctx.err << QStringLiteral("使い方: column-set NAME") << Qt::endl;
        return BatchExit::Usage;
    }
    Database &db = RequireConnection();
    const QString wanted = ctx.args.at(0);
    const QList<ColumnSetName> sets = columnSetNames(db);
    QString key;
    for (const ColumnSetName &s : sets)
        if (s.dbName == wanted)
            key = s.dbName;
    for (const ColumnSetName &s : sets)
        if (key.isEmpty() && s.name == wanted)
            key = s.dbName;
    if (key.isEmpty()) {
        ctx.dialogs.message(QStringLiteral("項目セット %1 はありません。").arg(wanted), applicationTitle(),
                            MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
        return BatchExit::NothingDone;
    }
    const QList<ColumnSetMember> members = columnSetMembers(db, key);
    for (int i = 0; i < members.size(); ++i)
        ctx.out << i << QLatin1Char('\t') << members.at(i).table << QLatin1Char('.') << members.at(i).column
                << QLatin1Char('\t') << members.at(i).caption << Qt::endl;
    return BatchExit::Done;
}

} // namespace

QList<BatchCommand> columnSetBatchCommands()
{
    return {BatchCommand{QStringLiteral("column-sets"), QStringLiteral("column-sets"),
                         QStringLiteral("カスタム出力の項目セットを一覧します"), runColumnSets},
            BatchCommand{QStringLiteral("column-set"), QStringLiteral("column-set NAME"),
                         QStringLiteral("カスタム出力の項目セットの項目を順に表示します"), runColumnSet}};
}
