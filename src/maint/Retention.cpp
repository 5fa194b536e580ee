#include "maint/Retention.h"

#include "maint/Backups.h"
#include "store/Database.h"
#include "store/Connection.h"
#include "store/Literals.h"
#include "store/Dialogs.h"
#include "store/InputChecks.h"

#include <QHash>

namespace Retention {
namespace {

const QString Tick = QStringLiteral("CK");

// Retention periods run from one month to two years. The value checked is
// the value used: a box the check reads one way and the cutoff another
// would delete what the operator meant to keep.
std::optional<int> months(const QString &text)
{
    return wholeNumberInRange(text, 1, 24);
}

// The texts of column `caption` of every ticked row.
QStringList tickedValues(const GridData &grid, const QString &caption)
{
    QStringList out;
    const int tick = grid.indexOf(Tick);
    const int col = grid.indexOf(caption);
    if (tick < 0 || col < 0)
        return out;
    for (int r = 0; r < grid.rowCount(); ++r)
        if (isTickedText(grid.text(r, tick)))
            out << grid.text(r, col);
    return out;
}

} // namespace

QDate cutoffDate(const QDate &today, int months)
{
    // QDate::addMonths keeps the day where the month has it and takes the
    // month's last day otherwise.
    return today.addMonths(-months);
}

QString ordersSql(const QString &cutoff)
{
    // A batch with any ordinary slip not yet billed or not yet issued starts
    // unticked. Empty and Null flags count as not done (they are never an
    // error); a tag-issue request number counts as taken, as for billing.
    return QStringLiteral(
               "Select CASE WHEN TFL.SeFLG=0 Or TFL.HaFLG=0 THEN 0 ELSE -1 END as CKb00500,"
               "TR1.INDEXNOH1 as 管理Nos00900,"
               "TFD.IMPORT_DATE as 読込日D01200,TR1.OLPAGE as データ件数L00900,"
               "CASE WHEN TFL.SeFLG=0 THEN 'あり' ELSE '' END as 未請求s00900,"
               "CASE WHEN TFL.HaFLG=0 THEN 'あり' ELSE '' END as 伝未発行s00900 "
               "From (TBL_RD_H1 TR1 Left Join TBL_FLG_DATA TFD On TR1.INDEXNOH1=TFD.INDEXNOH1) "
               "Left Join (Select INDEXNOH1,"
               "MAX(CASE WHEN IFNULL(SEIKYU_FLG,'') IN ('','0') THEN 0 ELSE -1 END) as SeFLG,"
               "MAX(CASE WHEN IFNULL(HAKKOU_FLG,'') IN ('','0') THEN 0 ELSE -1 END) as HaFLG "
               "From TBL_RD_H2 "
               "Where OMHCKB='0' "
               "Group By INDEXNOH1) as TFL On TR1.INDEXNOH1=TFL.INDEXNOH1 "
               "Where TFD.IMPORT_DATE< ")
        + SqlText(cutoff) + QStringLiteral("Order By TR1.INDEXNOH1 ");
}

QString billingSql(const QString &cutoff)
{
    return QStringLiteral("Select -1 as CKb00500,INDEXNOZH as 請求管理Nos00900,DATA_SAKUSEI_BI as データ作成日D01200,"
                          "TAISYOU_J as 自D01200,"
                          "TAISYOU_I as 至D01200,DEN_MAISUU as 伝票枚数L00900,KINGAKU_KEI as 金額L00900 "
                          "From TBL_SEZ_H TSH "
                          "Where DATA_SAKUSEI_BI<")
        + SqlText(cutoff) + QStringLiteral("Order By INDEXNOZH Desc ");
}

QString pbSql(const QString &cutoff)
{
    return QStringLiteral("Select -1 as CKb00500,HOUJIN_CD as 法人CDs00700,JIGYOUBU_CD as 事業部CDs00700,"
                          "GUNBAN_CD as 群番CDs00700,"
                          "SKU_CD as SKUCDs00900,HANBAI_SYUURYOUBI as 販売終了日D01200 "
                          "From MST_PB MPB "
                          "Where HANBAI_SYUURYOUBI<")
        + SqlText(cutoff);
}

std::optional<Lists> search(Database &db, Dialogs &dialogs, const Periods &p, const QDate &today)
{
    const QString boxes[] = {p.orders, p.billing, p.pb};
    for (const QString &b : boxes)
        if (b.trimmed().isEmpty()) {
            dialogs.error(QStringLiteral("保存期間入力欄に未入力の項目があります。"), applicationTitle());
            return std::nullopt;
        }
    std::optional<int> m[3];
    for (int i = 0; i < 3; ++i)
        if (!(m[i] = months(boxes[i]))) {
            dialogs.error(QStringLiteral("保存期間に入力された値が範囲を超えています。"), applicationTitle());
            return std::nullopt;
        }
    Lists l;
    l.orders = loadGridData(db, ordersSql(cutoffDate(today, *m[0]).toString(QStringLiteral("yyMMdd"))));
    l.billing = loadGridData(db, billingSql(cutoffDate(today, *m[1]).toString(QStringLiteral("yyMMdd"))));
    l.pb = loadGridData(db, pbSql(cutoffDate(today, *m[2]).toString(QStringLiteral("yyyyMMdd"))));
    return l;
}

QString deletedReport(const DeleteResult &r)
{
    return QStringLiteral("削除処理が完了しました。\n発注データ %1 件、請求データ %2 件、PBマスタデータ %3 件を削除しました。")
        .arg(r.batches)
        .arg(r.billingRuns)
        .arg(r.pbRows);
}

DeleteResult deleteTicked(Database &db, Dialogs &dialogs, const Lists &lists, int backupKeep)
{
    DeleteResult r;
    if (lists.orders.rowCount() == 0 && lists.billing.rowCount() == 0 && lists.pb.rowCount() == 0) {
        dialogs.info(QStringLiteral("削除するデータはありません（保存期間を過ぎた発注データ・請求データ・PBマスタデータがありません）。"),
                     applicationTitle());
        r.status = 1;
        return r;
    }
    // Asked before the backup, so that a declined run costs no copy.
    if (!dialogs.confirm(QStringLiteral("チェックしたデータを全て削除します。\n(削除したものを戻す事はできません。)"),
                         applicationTitle(), MsgResult::Cancel)) {
        r.status = 1;
        r.compactionRequested = true;
        return r;
    }
    const int backup = Backups::makeBefore(db, dialogs, Backups::opRetention(), backupKeep);
    if (backup != 0) {
        r.status = backup;
        return r;
    }
    try {
        Transaction tx(db);
        for (const QString &n : tickedValues(lists.orders, QStringLiteral("管理No"))) {
            const QString key = SqlNumber(n);
            for (const char *t : {"TBL_RD_H1", "TBL_RD_H2", "TBL_RD_BD", "TBL_FLG_DATA"})
                db.execute(QStringLiteral("Delete From %1 Where INDEXNOH1=").arg(QLatin1String(t)) + key);
            ++r.batches;
        }
        for (const QString &z : tickedValues(lists.billing, QStringLiteral("請求管理No"))) {
            const QString key = SqlNumber(z);
            for (const char *t : {"TBL_SEZ_H", "TBL_SEZ_B", "TBL_SEZ_BD"})
                db.execute(QStringLiteral("Delete From %1 Where INDEXNOZH=").arg(QLatin1String(t)) + key);
            ++r.billingRuns;
        }
        const int tick = lists.pb.indexOf(Tick);
        for (int row = 0; tick >= 0 && row < lists.pb.rowCount(); ++row) {
            if (!isTickedText(lists.pb.text(row, tick)))
                continue;
            auto code = [&](const char *caption) {
                return SqlNumber(lists.pb.text(row, lists.pb.indexOf(QString::fromUtf8(caption))));
            };
            db.execute(QStringLiteral("Delete From MST_PB Where HOUJIN_CD=") + code("法人CD")
                       + QStringLiteral("And JIGYOUBU_CD=") + code("事業部CD") + QStringLiteral("And GUNBAN_CD=")
                       + code("群番CD") + QStringLiteral("And SKU_CD=") + code("SKUCD"));
            r.pbRows += int(db.changes());
        }
        tx.commit();
    } catch (const DbError &e) {
        dialogs.message(QStringLiteral("削除処理でエラーが発生しました。\n") + QString::number(e.number()),
                        applicationTitle(), MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
        r.status = e.number();
        return r;
    }
    dialogs.info(deletedReport(r), applicationTitle());
    r.compactionRequested = true;
    return r;
}

namespace {

// The columns that name a row of a list: its keys, never its tick.
QString rowKey(const GridData &list, int row, const QStringList &captions)
{
    QStringList parts;
    for (const QString &c : captions)
        parts << list.text(row, list.indexOf(c));
    return parts.join(QChar(0x1F));
}

void keepListTicks(GridData &fresh, const GridData &shown, const QStringList &keys)
{
    const int freshTick = fresh.indexOf(Tick);
    const int shownTick = shown.indexOf(Tick);
    if (freshTick < 0 || shownTick < 0)
        return;
    for (const QString &k : keys)
        if (fresh.indexOf(k) < 0 || shown.indexOf(k) < 0)
            return;
    QHash<QString, QString> ticks;
    for (int row = 0; row < shown.rowCount(); ++row)
        ticks.insert(rowKey(shown, row, keys), shown.text(row, shownTick));
    for (int row = 0; row < fresh.rowCount(); ++row) {
        const auto it = ticks.constFind(rowKey(fresh, row, keys));
        if (it != ticks.constEnd())
            fresh.setText(row, freshTick, *it);
    }
}

} // namespace

void keepTicks(Lists &fresh, const Lists &shown)
{
    keepListTicks(fresh.orders, shown.orders, {QStringLiteral("管理No")});
    keepListTicks(fresh.billing, shown.billing, {QStringLiteral("請求管理No")});
    keepListTicks(fresh.pb, shown.pb,
                  {QStringLiteral("法人CD"), QStringLiteral("事業部CD"), QStringLiteral("群番CD"), QStringLiteral("SKUCD")});
}

} // namespace Retention
