#include "maint/MaintBatch.h"

#include "store/Settings.h"
#include "maint/Backups.h"
#include "maint/Compaction.h"
#include "maint/ImportList.h"
#include "maint/Retention.h"
#include "store/Clock.h"
#include "store/Connection.h"
#include "store/Literals.h"
#include "store/Dialogs.h"
#include "store/FolderLock.h"
#include "store/GridColumns.h"

#include <QTextStream>

namespace {

int backupKeep()
{
    return Backups::keepCount(Settings::readInt(SettingKey::BackupKeep));
}

int usage(BatchContext &ctx, const QString &text)
{
    ctx.err << text << Qt::endl;
    return BatchExit::Usage;
}

// A grid as lines: the captions, then one line per row, tab-separated,
// values as the screen shows them; a tick column reads "削除" or "残す".
void printGrid(BatchContext &ctx, const QString &title, const GridData &g)
{
    ctx.out << title << QStringLiteral(" (%1 件)").arg(g.rowCount()) << Qt::endl;
    if (g.rowCount() == 0)
        return;
    QStringList captions;
    for (const GridColumn &c : g.columns())
        captions << (c.checkBox ? QStringLiteral("削除") : c.caption);
    ctx.out << captions.join(QLatin1Char('\t')) << Qt::endl;
    for (int r = 0; r < g.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < g.columnCount(); ++c) {
            const GridColumn &col = g.column(c);
            cells << (col.checkBox ? (isTickedText(g.text(r, c)) ? QStringLiteral("削除") : QStringLiteral("残す"))
                                   : formatGridText(g.text(r, c), col.format));
        }
        ctx.out << cells.join(QLatin1Char('\t')) << Qt::endl;
    }
}

int retention(BatchContext &ctx)
{
    Retention::Periods p{Settings::readForScreen(SettingKey::HaDataSave),
                         Settings::readForScreen(SettingKey::SeDataSave),
                         Settings::readForScreen(SettingKey::PbDataSave)};
    QStringList keep;
    const QStringList &a = ctx.args;
    for (int i = 0; i < a.size(); ++i) {
        QString *target = nullptr;
        if (a[i] == QLatin1String("--order-months"))
            target = &p.orders;
        else if (a[i] == QLatin1String("--billing-months"))
            target = &p.billing;
        else if (a[i] == QLatin1String("--pb-months"))
            target = &p.pb;
        else if (a[i] != QLatin1String("--keep-batch"))
            return usage(ctx, QStringLiteral("不明な引数です: %1").arg(a[i]));
        if (i + 1 >= a.size())
            return usage(ctx, QStringLiteral("%1 には値が必要です。").arg(a[i]));
        if (target)
            *target = a[++i];
        else
            keep << a[++i].trimmed();
    }
    Database &db = RequireConnection();
    std::optional<Retention::Lists> lists = Retention::search(db, ctx.dialogs, p, Clock::today());
    if (!lists)
        return BatchExit::Usage;
    const int tick = lists->orders.indexOf(QStringLiteral("CK"));
    const int number = lists->orders.indexOf(QStringLiteral("管理No"));
    for (const QString &k : keep) {
        bool found = false;
        for (int r = 0; r < lists->orders.rowCount(); ++r)
            if (lists->orders.text(r, number) == k) {
                lists->orders.setText(r, tick, tickText(false));
                found = true;
            }
        if (!found)
            return usage(ctx, QStringLiteral("管理No %1 は削除対象の一覧にありません。").arg(k));
    }
    printGrid(ctx, QStringLiteral("発注データ"), lists->orders);
    printGrid(ctx, QStringLiteral("請求データ"), lists->billing);
    printGrid(ctx, QStringLiteral("PBマスタデータ"), lists->pb);
    const Retention::DeleteResult r = Retention::deleteTicked(db, ctx.dialogs, *lists, backupKeep());
    if (r.status == 0)
        return BatchExit::Done;
    return r.status == 1 ? BatchExit::NothingDone : BatchExit::Failed;
}

int pending(BatchContext &ctx)
{
    if (ctx.args.size() != 1
        || (ctx.args[0] != QLatin1String("--slips") && ctx.args[0] != QLatin1String("--lists")))
        return usage(ctx, QStringLiteral("pending には --slips か --lists のどちらかを指定してください。"));
    const auto which = ctx.args[0] == QLatin1String("--slips") ? ImportList::Pending::Slips
                                                               : ImportList::Pending::AssortmentLists;
    const GridData g = loadGridData(RequireConnection(), ImportList::pendingSql(which), GridLoader::ImportList);
    if (g.rowCount() == 0) {
        ctx.dialogs.message(ImportList::emptyText(), ImportList::emptyTitle(), MsgIcon::Critical, MsgButtons::Ok,
                            MsgResult::Ok);
        return BatchExit::NothingDone;
    }
    QStringList captions;
    for (const GridColumn &c : g.columns())
        captions << c.caption;
    ctx.out << captions.join(QLatin1Char('\t')) << Qt::endl;
    for (int r = 0; r < g.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < g.columnCount(); ++c)
            cells << formatGridText(g.text(r, c), g.column(c).format);
        ctx.out << cells.join(QLatin1Char('\t')) << Qt::endl;
    }
    return BatchExit::Done;
}

QString backupLine(const BackupEntry &e)
{
    return QStringLiteral("%1  %2  %3").arg(e.name, e.made.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), e.reason);
}

} // namespace

QList<BatchCommand> maintBatchCommands()
{
    QList<BatchCommand> list;
    list << BatchCommand{QStringLiteral("retention"),
                         QStringLiteral("retention [--order-months N] [--billing-months N] [--pb-months N] "
                                        "[--keep-batch N]..."),
                         QStringLiteral("保存期間を過ぎたデータを一覧し、チェックされたものを削除します（事前にバックアップ）"),
                         retention};
    list << BatchCommand{QStringLiteral("compact"), QStringLiteral("compact"),
                         QStringLiteral("バックアップの後、データベース (data.db) を最適化します"),
                         [](BatchContext &ctx) {
                             const int rc = Compaction::compactApplicationDatabase(ctx.dialogs, backupKeep());
                             return rc == 0 ? BatchExit::Done
                                 : rc == FolderLock::InUse ? BatchExit::NothingDone
                                                           : BatchExit::Failed;
                         }};
    list << BatchCommand{QStringLiteral("backup"), QStringLiteral("backup"),
                         QStringLiteral("データベースのバックアップを Backup フォルダに作成します"),
                         [](BatchContext &ctx) {
                             if (!ctx.args.isEmpty())
                                 return usage(ctx, QStringLiteral("backup は引数を取りません。"));
                             try {
                                 const BackupEntry e =
                                     Backups::make(RequireConnection(), Backups::reasonOnDemand(), backupKeep());
                                 ctx.out << QStringLiteral("バックアップを作成しました: ") << e.name << Qt::endl;
                                 return BatchExit::Done;
                             } catch (const DbError &e) {
                                 return batchFailure(ctx, e.number(), e.description());
                             }
                         }};
    list << BatchCommand{QStringLiteral("backups"), QStringLiteral("backups"),
                         QStringLiteral("バックアップを新しい順に一覧します（名前・作成日時・理由）"),
                         [](BatchContext &ctx) {
                             const QList<BackupEntry> all = Backups::list();
                             if (all.isEmpty()) {
                                 ctx.out << QStringLiteral("バックアップはありません。") << Qt::endl;
                                 return BatchExit::NothingDone;
                             }
                             for (const BackupEntry &e : all)
                                 ctx.out << backupLine(e) << Qt::endl;
                             return BatchExit::Done;
                         },
                         false};
    list << BatchCommand{QStringLiteral("restore"), QStringLiteral("restore NAME"),
                         QStringLiteral("バックアップ NAME の状態に戻します（現在の状態は先にバックアップ）"),
                         [](BatchContext &ctx) {
                             if (ctx.args.size() != 1)
                                 return usage(ctx, QStringLiteral("restore には復元するバックアップの名前を 1 つ指定してください。"));
                             const int rc = Backups::restore(ctx.dialogs, ctx.args[0], backupKeep());
                             return rc == 0 ? BatchExit::Done
                                 : rc == 1 || rc == FolderLock::InUse ? BatchExit::NothingDone
                                                                      : BatchExit::Failed;
                         }};
    list << BatchCommand{QStringLiteral("pending"), QStringLiteral("pending --slips|--lists"),
                         QStringLiteral("伝票 (--slips) または品揃表 (--lists) が未出力の取込データを一覧します"),
                         pending};
    return list;
}
