#include "billing/BillingRun.h"

#include "billing/BillingFile.h"
#include "billing/BillingSettings.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Conditions.h"
#include "store/Literals.h"
#include "store/Numbering.h"
#include "store/DbError.h"
#include "store/Dialogs.h"
#include "store/OrderLayout.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

template <size_t N>
QString columnList(const std::array<OrderField, N> &fields, const QString &prefix)
{
    QStringList names;
    for (const OrderField &f : fields)
        names << prefix + QLatin1String(f.name);
    return names.join(QLatin1Char(','));
}

QString thousands(qint64 n)
{
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

qint64 number(const QVariant &v)
{
    return v.isNull() ? 0 : v.toLongLong();
}

} // namespace

BillingTotals billingTotals(Database &db)
{
    BillingTotals t;
    Recordset cur = db.query(QStringLiteral("Select Count(INDEXNOH2),SUM(KINGAKU_KEI) From TBL_SEM_B SMB Where HA_FLG='-1'"));
    t.currentSlips = number(cur.field(0));
    t.currentAmount = number(cur.field(1));
    Recordset car = db.query(
        QStringLiteral("Select Count(INDEXNOH2),SUM(GOUKEI_KINGAKU) From TBL_SEZ_B SZB Where HA_FLG ='-1'"));
    t.carriedSlips = number(car.field(0));
    t.carriedAmount = number(car.field(1));
    return t;
}

QString billingSummary(const BillingTotals &t)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("今回請求分") + crlf + QStringLiteral("   伝票枚数: ") + thousands(t.currentSlips) + crlf
        + QStringLiteral("   合計金額: ") + thousands(t.currentAmount) + crlf + QStringLiteral("繰越請求分") + crlf
        + QStringLiteral("   伝票枚数: ") + thousands(t.carriedSlips) + crlf + QStringLiteral("   合計金額: ")
        + thousands(t.carriedAmount) + crlf;
}

QString billedReport(const SeikyuOutcome &o)
{
    return QStringLiteral("請求処理が終了しました。\n請求管理No: %1\n請求データファイル: %2\n伝票 %3 枚、合計金額 %4 円")
        .arg(o.run)
        .arg(QDir::toNativeSeparators(o.path), thousands(o.slips), thousands(o.amount));
}

QString nothingToBillText()
{
    // Slips that carry a request number left ordinary billing when their
    // request confirmation was made; the closing calculation never gathers them.
    return QStringLiteral("請求するデータがありません。\n今回請求分にも繰越請求分にもチェックされた伝票がありません"
                          "（締日計算の対象は通常受注の未請求伝票で、値札発行依頼を作成した伝票は含まれません）。");
}

qint32 RecordBillingRun(Database &db, const QString &tradingPartner)
{
    Transaction tx(db);
    const qint32 z = GetNextIndex(db, QStringLiteral("ZH"));
    const QString run = SqlNumber(z, true);
    const QString runText = SqlText(QString::number(z), true, true);
    const QString from = periodDate(GetJoukenValue(db, QStringLiteral("SHIME_BI_J")));
    const QString to = periodDate(GetJoukenValue(db, QStringLiteral("SHIME_BI_I")));
    const QString today = Clock::today().toString(QStringLiteral("yyMMdd"));

    // A set union: a slip ticked both now and as carried over with the same
    // amount is one slip of the run.
    db.execute(QStringLiteral("Insert Into TBL_SEZ_H(INDEXNOZH,TORIHIKISAKI_CD,DATA_SYU,DATA_SAKUSEI_BI,TAISYOU_J,"
                              "TAISYOU_I,DEN_MAISUU,KINGAKU_KEI) Select ")
               + run + SqlText(tradingPartner, true, true) + SqlText(QStringLiteral("064"), true, true)
               + SqlText(today, true, true) + SqlText(from, true, true) + SqlText(to, true, true)
               + QStringLiteral("Count(TTH.INDEXNOH2) as CNT,SUM(TTH.KINGAKU_KEI) as GGK From (Select SMB.INDEXNOH2,"
                                "SMB.KINGAKU_KEI From TBL_SEM_B SMB Where SMB.HA_FLG='-1' UNION Select INDEXNOH2,"
                                "GOUKEI_KINGAKU From TBL_SEZ_B Where HA_FLG='-1') TTH"));

    const QString slipColumns = columnList(OrderLayout::H2, QString());
    const QString slipInsert = QStringLiteral("Insert Into TBL_SEZ_B(") + slipColumns
        + QStringLiteral(",INDEXNOZH,INDEXNOH1,INDEXNOH2,HA_FLG,GOUKEI_KINGAKU) ");
    db.execute(slipInsert + QStringLiteral("Select ") + columnList(OrderLayout::H2, QStringLiteral("TH2.")) + QLatin1Char(',')
               + run
               + QStringLiteral("TH2.INDEXNOH1,TH2.INDEXNOH2,'0',SMB.KINGAKU_KEI From TBL_SEM_B SMB Left Join TBL_RD_H2 "
                                "TH2 On SMB.INDEXNOH2=TH2.INDEXNOH2 Where SMB.HA_FLG='-1'"));
    // Carried-over slips are copied under the new run; the ticked originals
    // keep their tick until their lines are copied too.
    db.execute(slipInsert + QStringLiteral("Select ") + slipColumns + QLatin1Char(',') + run
               + QStringLiteral("INDEXNOH1,INDEXNOH2,'0',GOUKEI_KINGAKU From TBL_SEZ_B Where HA_FLG='-1'"));

    const QString lineInsert = QStringLiteral("Insert Into TBL_SEZ_BD(") + columnList(OrderLayout::BD, QString())
        + QStringLiteral(",INDEXNOZH,INDEXNOH1,INDEXNOH2,INDEXNOBD,TAG_OP_DATE,ONSURYM) ");
    // A slip without lines adds no line row (the outer join would add an
    // empty one).
    db.execute(lineInsert + QStringLiteral("Select ") + columnList(OrderLayout::BD, QStringLiteral("TBD.")) + QLatin1Char(',')
               + runText
               + QStringLiteral("TBD.INDEXNOH1,TBD.INDEXNOH2,TBD.INDEXNOBD,TBD.TAG_OP_DATE,TBD.ONSURYM From TBL_SEM_B SMB "
                                "Inner Join TBL_RD_BD TBD On SMB.INDEXNOH2=TBD.INDEXNOH2 Where SMB.HA_FLG='-1'"));
    db.execute(lineInsert + QStringLiteral("Select ") + columnList(OrderLayout::BD, QStringLiteral("SZD.")) + QLatin1Char(',')
               + runText
               + QStringLiteral("SZD.INDEXNOH1,SZD.INDEXNOH2,SZD.INDEXNOBD,SZD.TAG_OP_DATE,SZD.ONSURYM From TBL_SEZ_B SZB "
                                "Inner Join TBL_SEZ_BD SZD On SZB.INDEXNOZH=SZD.INDEXNOZH and SZB.INDEXNOH2=SZD.INDEXNOH2 "
                                "Where SZB.HA_FLG='-1'"));

    db.execute(QStringLiteral("Update TBL_SEZ_B Set HA_FLG='0'"));
    // Billed slips are skipped by the next closing calculation.
    db.execute(QStringLiteral("Update TBL_RD_H2 Set SEIKYU_FLG='-1' Where Exists (Select * From TBL_SEM_B SMB "
                              "Where TBL_RD_H2.INDEXNOH2=SMB.INDEXNOH2 And SMB.HA_FLG='-1')"));
    // The closing date becomes the last billing date, as the operator typed
    // it; the row is created when an older database lacks it.
    SetJoukenValue(db, QStringLiteral("ZENKAI_SEIKYU_BI"), GetJoukenValue(db, QStringLiteral("SHIME_BI_I")));
    db.execute(QStringLiteral("Update MST_JYOUKEN Set VALUEC='' Where KEYC Like 'SHIME_BI_%'"));
    tx.commit();
    return z;
}

SeikyuOutcome SeikyuKakunin(Database &db, Dialogs &dialogs, const BillingSettings &settings, bool periodOpen,
                            bool checkOnly)
{
    SeikyuOutcome outcome;
    if (!periodOpen) {
        dialogs.message(QStringLiteral("現在請求中ではありません。\r\n締日計算を行った後に処理をして下さい。"),
                        applicationTitle(), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
        return outcome;
    }
    const BillingTotals totals = billingTotals(db);
    if (totals.isEmpty()) {
        dialogs.info(nothingToBillText(), applicationTitle());
        return outcome;
    }
    const QString summary = billingSummary(totals);
    if (checkOnly) {
        dialogs.info(summary, applicationTitle());
        outcome.status = SeikyuStatus::Checked;
        return outcome;
    }
    if (!dialogs.confirm(summary + QStringLiteral("この情報で請求処理を行っても宜しいですか？"), QStringLiteral("確認")))
        return outcome;
    outcome.asked = true;

    const BillingFileOutcome file = WriteBillingFile(db, dialogs, settings, 0);
    if (file.result == BillingFileResult::Cancelled) {
        outcome.status = SeikyuStatus::FileCancelled;
        return outcome;
    }
    if (file.result != BillingFileResult::Written) {
        dialogs.error(QStringLiteral("処理が不正終了しました。"), applicationTitle());
        outcome.status = file.result;
        return outcome;
    }

    // The run and the emptied working table go together: a failure leaves
    // the slips ticked and unbilled, and the file that was already written
    // is removed so that it cannot be sent for a run nobody recorded.
    try {
        Transaction tx(db);
        outcome.run = RecordBillingRun(db, settings.tradingPartner);
        db.execute(QStringLiteral("Delete From TBL_SEM_B"));
        tx.commit();
    } catch (const DbError &e) {
        const bool removed = QFile::remove(file.path);
        dialogs.error(QStringLiteral("請求処理の記録中にエラーが発生しました。請求は記録されていません。\n")
                          + (removed ? QStringLiteral("作成した請求データファイルは削除しました。")
                                     : QStringLiteral("作成した請求データファイル %1 を削除できませんでした。送信しないでください。")
                                           .arg(file.path))
                          + QStringLiteral("\n%1 %2").arg(e.number()).arg(e.description()),
                      applicationTitle());
        outcome.status = e.number();
        return outcome;
    }
    outcome.path = file.path;
    outcome.status = SeikyuStatus::Billed;
    {
        Recordset header = db.query(QStringLiteral("Select DEN_MAISUU,KINGAKU_KEI From TBL_SEZ_H Where INDEXNOZH=?"),
                                    {outcome.run});
        if (!header.eof()) {
            outcome.slips = number(header.field(0));
            outcome.amount = number(header.field(1));
        }
    }
    dialogs.message(billedReport(outcome), applicationTitle(), MsgIcon::None, MsgButtons::Ok,
                    MsgResult::Ok);
    return outcome;
}

bool setCurrentTick(Database &db, qint32 slip, bool ticked)
{
    db.execute(QStringLiteral("Update TBL_SEM_B Set HA_FLG=") + SqlText(ticked ? "-1" : "0", false, true)
               + QStringLiteral("Where INDEXNOH2=") + SqlNumber(slip));
    return db.changes() > 0;
}

bool setCarriedTick(Database &db, qint32 run, qint32 slip, bool ticked)
{
    db.execute(QStringLiteral("Update TBL_SEZ_B Set HA_FLG=") + SqlText(ticked ? "-1" : "0", false, true)
               + QStringLiteral("Where INDEXNOZH=") + SqlNumber(run) + QStringLiteral(" And INDEXNOH2=")
               + SqlNumber(slip));
    return db.changes() > 0;
}

QString billingHistorySql()
{
    return QStringLiteral("Select INDEXNOZH as 請求管理NoB01200,DATA_SAKUSEI_BI as 処理日D00900,TAISYOU_I as 締日D00900,"
                          "DEN_MAISUU as 伝票枚数L00900 From TBL_SEZ_H SZH Order By SZH.INDEXNOZH Desc");
}

QString billingRunSlipsSql(qint32 run)
{
    return QStringLiteral("Select INDEXNOZH as IDX1H00000,INDEXNOH2 as IDX2H00000,HA_FLG as CKb00500,OMDNNO as 伝票NOs01000,"
                          "OMNKDT as 伝票日付D00900,OMHCNO as 発注NOs00900,GOUKEI_KINGAKU as 金額L00900  From TBL_SEZ_B SZB "
                          "Where SZB.INDEXNOZH=")
        + SqlNumber(run);
}

QString currentSlipsSql(bool inPeriod)
{
    return QStringLiteral("Select INDEXNOH2 as IDXH00000,HA_FLG as CKb00500,DEN_NO as 伝票NOs01000,DEN_NOUKI as 伝票日付D00900,"
                          "HA_NO as 発注NOs00900,KINGAKU_KEI as 金額L00900 From TBL_SEM_B SEB Where ")
        + (inPeriod ? QStringLiteral("KIKANNAI_FLG='-1'") : QStringLiteral("KIKANNAI_FLG='' or KIKANNAI_FLG Is Null"));
}
