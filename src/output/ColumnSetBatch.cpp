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

// The key of the set called `wanted` (its key or its shown name); empty,
// after saying so, when there is none.
QString findSet(BatchContext &ctx, Database &db, const QString &wanted)
{
    const QList<ColumnSetName> sets = columnSetNames(db);
    QString key;
    for (const ColumnSetName &s : sets)
        if (s.dbName == wanted)
            key = s.dbName;
    for (const ColumnSetName &s : sets)
        if (key.isEmpty() && s.name == wanted)
            key = s.dbName;
    if (key.isEmpty())
        ctx.dialogs.message(QStringLiteral("項目セット %1 はありません。").arg(wanted), applicationTitle(),
                            MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
    return key;
}

int runColumnSet(BatchContext &ctx)
{
    if (ctx.args.size() != 1 || ctx.args.at(0).isEmpty()) {
        ctx.err << QStringLiteral("使い方: column-set NAME") << Qt::endl;
        return BatchExit::Usage;
    }
    Database &db = RequireConnection();
    const QString key = findSet(ctx, db, ctx.args.at(0));
    if (key.isEmpty())
        return BatchExit::NothingDone;
    const QList<ColumnSetMember> members = columnSetMembers(db, key);
    for (int i = 0; i < members.size(); ++i)
        ctx.out << i << QLatin1Char('\t') << members.at(i).table << QLatin1Char('.') << members.at(i).column
                << QLatin1Char('\t') << members.at(i).caption << Qt::endl;
    return BatchExit::Done;
}

int refused(BatchContext &ctx, const ColumnSetChange &c)
{
    ctx.dialogs.message(c.refusal, applicationTitle(), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
    return BatchExit::NothingDone;
}

int runNew(BatchContext &ctx)
{
    if (ctx.args.size() != 1) {
        ctx.err << QStringLiteral("使い方: column-set-new NAME") << Qt::endl;
        return BatchExit::Usage;
    }
    const ColumnSetChange c = createColumnSet(RequireConnection(), ctx.args.at(0));
    if (!c.done)
        return refused(ctx, c);
    ctx.out << QStringLiteral("項目セット「%1」を作成しました（%2）。").arg(c.set.name, c.set.dbName) << Qt::endl;
    return BatchExit::Done;
}

int runRename(BatchContext &ctx)
{
    if (ctx.args.size() != 2 || ctx.args.at(0).isEmpty()) {
        ctx.err << QStringLiteral("使い方: column-set-rename NAME NEW-NAME") << Qt::endl;
        return BatchExit::Usage;
    }
    Database &db = RequireConnection();
    const QString key = findSet(ctx, db, ctx.args.at(0));
    if (key.isEmpty())
        return BatchExit::NothingDone;
    const ColumnSetChange c = renameColumnSet(db, key, ctx.args.at(1));
    if (!c.done)
        return refused(ctx, c);
    ctx.out << QStringLiteral("項目セット %1 の名前を「%2」にしました。").arg(key, c.set.name) << Qt::endl;
    return BatchExit::Done;
}

int runRemove(BatchContext &ctx)
{
    if (ctx.args.size() != 1 || ctx.args.at(0).isEmpty()) {
        ctx.err << QStringLiteral("使い方: column-set-remove NAME [--yes]") << Qt::endl;
        return BatchExit::Usage;
    }
    Database &db = RequireConnection();
    const QString key = findSet(ctx, db, ctx.args.at(0));
    if (key.isEmpty())
        return BatchExit::NothingDone;
    if (ctx.dialogs.message(QStringLiteral("項目セット「%1」を削除しますか？").arg(ctx.args.at(0)), QStringLiteral("削除"),
                            MsgIcon::Question, MsgButtons::OkCancel, MsgResult::Cancel)
        != MsgResult::Ok)
        return BatchExit::NothingDone;
    removeColumnSet(db, key);
    ctx.out << QStringLiteral("項目セット %1 を削除しました。").arg(key) << Qt::endl;
    return BatchExit::Done;
}

} // namespace

QList<BatchCommand> columnSetBatchCommands()
{
    return {BatchCommand{QStringLiteral("column-sets"), QStringLiteral("column-sets"),
                         QStringLiteral("カスタム出力の項目セットを一覧します"), runColumnSets},
            BatchCommand{QStringLiteral("column-set"), QStringLiteral("column-set NAME"),
                         QStringLiteral("カスタム出力の項目セットの項目を順に表示します"), runColumnSet},
            BatchCommand{QStringLiteral("column-set-new"), QStringLiteral("column-set-new NAME"),
                         QStringLiteral("項目のない項目セットを作成します"), runNew},
            BatchCommand{QStringLiteral("column-set-rename"), QStringLiteral("column-set-rename NAME NEW-NAME"),
                         QStringLiteral("項目セットの名前を変更します"), runRename},
            BatchCommand{QStringLiteral("column-set-remove"), QStringLiteral("column-set-remove NAME [--yes]"),
                         QStringLiteral("項目セットをその項目ごと削除します"), runRemove}};
}
