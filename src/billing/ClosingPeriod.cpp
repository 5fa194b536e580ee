#include "billing/ClosingPeriod.h"

#include "store/Clock.h"
#include "store/Conditions.h"
#include "store/Literals.h"
#include "store/Dialogs.h"
#include "store/InputChecks.h"

#include <QDate>

namespace {

const QString KeyFrom = QStringLiteral("SHIME_BI_J");
const QString KeyTo = QStringLiteral("SHIME_BI_I");
const QString KeyLastBilling = QStringLiteral("ZENKAI_SEIKYU_BI");

QString shortDate(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy/MM/dd"));
}

// The closing day of `month` (any day of it): the setting's day, or the
// month's last day when the setting names a day the month does not have.
QDate closingDayOf(const QDate &month, int day)
{
    // The business settings call 31 the month's end: in a shorter month the
    // period closes on its last day instead of on a date that does not exist.
    return QDate(month.year(), month.month(), qMin(day, month.daysInMonth()));
}

// This month's closing day, or the first later one that is not before
// `from`: after a billing run the next period starts the day after this
// month's closing day, and a proposal ending before it could not be taken.
QString proposedClosingDay(const QString &closingDay, const std::optional<QDate> &from)
{
    const QDate today = Clock::today();
    bool numeric = false;
    const int day = closingDay.trimmed().toInt(&numeric);
    if (!numeric || day < 1 || day > 31)
        return today.toString(QStringLiteral("yyyy/MM/")) + (QStringLiteral("00") + closingDay).right(2);
    QDate month(today.year(), today.month(), 1);
    if (from && *from > month) {
        const QDate fromMonth(from->year(), from->month(), 1);
        if (fromMonth > month)
            month = fromMonth;
    }
    QDate to = closingDayOf(month, day);
    if (from && to < *from)
        to = closingDayOf(month.addMonths(1), day);
    return shortDate(to);
}

bool refuse(Dialogs &dialogs, const QString &text)
{
    dialogs.message(text, applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    return false;
}

// The date of a box, or nothing after the box's messages were shown. An
// empty box is no date either: a period without a bound would bill nothing
// or everything.
std::optional<QDate> checkedDate(const QString &text, Dialogs &dialogs, const QString &fieldMessage)
{
    if (!text.trimmed().isEmpty() && CheckDateInput(text, dialogs) == 0) {
        if (const auto d = parseDateText(text))
            return d;
    }
    refuse(dialogs, fieldMessage);
    return std::nullopt;
}

} // namespace

ClosingPeriod storedClosingPeriod(Database &db)
{
    return ClosingPeriod{GetJoukenValue(db, KeyFrom), GetJoukenValue(db, KeyTo)};
}

ClosingPeriod proposeClosingPeriod(Database &db, const QString &closingDay)
{
    const ClosingPeriod stored = storedClosingPeriod(db);
    ClosingPeriod p;
    if (!stored.from.isEmpty()) {
        p.from = stored.from;
    } else {
        const auto last = parseDateText(GetJoukenValue(db, KeyLastBilling));
        p.from = shortDate(last ? last->addDays(1) : Clock::today().addMonths(-12));
    }
    if (!stored.to.isEmpty()) {
        const auto to = parseDateText(stored.to);
        p.to = to ? shortDate(*to) : stored.to;
    } else {
        p.to = proposedClosingDay(closingDay, parseDateText(p.from));
    }
    return p;
}

QString closingReport(const QString &fromText, const QString &toText, const ClosingResult &r)
{
    QString text = QStringLiteral("締日計算が終了しました。\n期間 %1 ～ %2\n").arg(fromText, toText);
    if (r.gathered == 0)
        return text + QStringLiteral("未請求伝票 0 件: 通常受注の伝票はすべて請求済みか値札発行依頼済みのため、請求する伝票はありません。");
    if (r.chosen == 0)
        return text + QStringLiteral("未請求伝票 %1 件、うち期間内 0 件: 期間内に納品日があり発行済みの伝票がないため、請求対象にチェックした伝票はありません。")
                          .arg(r.gathered);
    return text + QStringLiteral("未請求伝票 %1 件、うち期間内 %2 件（発行済みで納品日が期間内の伝票を請求対象にチェックしました）")
                      .arg(r.gathered)
                      .arg(r.chosen);
}

ClosingResult runClosing(Database &db, Dialogs &dialogs, const QString &fromText, const QString &toText)
{
    ClosingResult result;
    const auto from = checkedDate(fromText, dialogs, QStringLiteral("'対象期間:自'の項目に入力された値が不正です。"));
    if (!from) {
        result.focus = ClosingField::From;
        return result;
    }
    const auto to = checkedDate(toText, dialogs, QStringLiteral("対象期間:至の項目に入力された値が不正です。"));
    if (!to) {
        result.focus = ClosingField::To;
        return result;
    }
    if (*to < *from) {
        result.focus = ClosingField::To;
        refuse(dialogs, QStringLiteral("自 ～ 至 迄の期間の設定が不正です。"));
        return result;
    }
    if (!dialogs.confirm(QStringLiteral("締日入力を確定します。 宜しいですか？"), applicationTitle()))
        return result;

    const QString yyMMdd = QStringLiteral("yyMMdd");
    // The period keys and the cleared re-billing ticks belong to the same
    // calculation as the working table: a failure anywhere leaves the
    // previous period, its table and its ticks together.
    Transaction tx(db);
    db.execute(QStringLiteral("Delete From TBL_SEM_B"));
    // A slip without lines gets Null as its amount, as the order shows no
    // amount for it (CLNG would refuse the Null of the missing line).
    db.execute(QStringLiteral(
        "Insert Into TBL_SEM_B(INDEXNOH2,DEN_NO,DEN_NOUKI,TENPO_CD,TENPO_NAME,HA_NO,KINGAKU_KEI,HA_FLG) "
        "Select TH2.INDEXNOH2,TH2.OMDNNO,TH2.OMNKDT,TH2.OMMSCD,TH2.OMMSKN,TH2.OMHCNO,"
        "SUM(CASE WHEN TBD.ONGENJ Is Null THEN Null ELSE CLNG(TBD.ONGENJ) END) as KINGAKU_KEI,'0' "
        "From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2 "
        "Where TH2.OMHCKB='0' And (TH2.SEIKYU_FLG='' or TH2.SEIKYU_FLG Is Null or TH2.SEIKYU_FLG='0') "
        "Group By TH2.INDEXNOH2,TH2.OMDNNO,TH2.OMNKDT,TH2.OMMSCD,TH2.OMMSKN,TH2.OMHCNO"));
    // Delivery dates are six-digit texts: the bounds compare as texts too.
    db.execute(QStringLiteral("Update TBL_SEM_B Set KIKANNAI_FLG='-1',HA_FLG='-1' "
                              "Where Exists (Select * From TBL_RD_H2 TH2 Where TBL_SEM_B.INDEXNOH2=TH2.INDEXNOH2 "
                              "And TH2.HAKKOU_FLG='-1' And TBL_SEM_B.DEN_NOUKI Between ")
               + SqlText(from->toString(yyMMdd), false, true) + QStringLiteral("And ")
               + SqlText(to->toString(yyMMdd), false, true) + QStringLiteral(")"));
    SetJoukenValue(db, KeyTo, toText);
    SetJoukenValue(db, KeyFrom, fromText);
    db.execute(QStringLiteral("Update TBL_SEZ_B Set HA_FLG='0'"));
    result.gathered = int(db.scalar(QStringLiteral("Select Count(*) From TBL_SEM_B")).toLongLong());
    result.chosen = int(db.scalar(QStringLiteral("Select Count(*) From TBL_SEM_B Where HA_FLG='-1'")).toLongLong());
    tx.commit();
    result.status = 0;
    dialogs.info(closingReport(fromText, toText, result), applicationTitle());
    return result;
}
