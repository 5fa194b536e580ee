#include "billing/ConsignmentDetail.h"

#include "store/ChangeMarker.h"
#include "output/Workbook.h"
#include "output/WorkbookFiles.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/Dialogs.h"
#include "store/JetFunctions.h"
#include "store/Literals.h"
#include "store/Settings.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cmath>
#include <limits>

namespace {

const QString Cancelled = QStringLiteral("受託請求明細発行処理を中止しました。");

// One gathered line as it goes into the data sheet.
struct ChargedLine {
    QString tagDate;    // "2024/05/20"
    QString texts[9];   // order, slip, line, tag, partner code and name, product, size, colour
    double tags = 0;
    double fee = 0;
};

// Every line of every batch whose tags were written on or before the limit
// (stamps are "yyMMdd", compared as text) and that is not charged yet. A
// line without a marker or a tag stamp is never gathered, as a comparison
// with Null is never true. The tag is the tag kind, the tag kind code, "_"
// and the tag's name, empty parts counting as empty text.
QString gatherSql(const QString &limit)
{
    return QStringLiteral(
               "Insert Into TMP_JSEIKYU(INDEXNOBD,OMHCNO,OMDNNO,ONLINE,OMFUDA,ONNFKB,OMTRCD,OMTRKN,ONSYKN,ONSZKN,"
               "ONCLKN,ONSURY,HUDA_NAME,SAGYOU_DAI,TAG_OP_DATE) "
               "Select TBD.INDEXNOBD,TH2.OMHCNO,TH2.OMDNNO,TBD.ONLINE,TH2.OMFUDA,TBD.ONNFKB,TH2.OMTRCD,TH2.OMTRKN,"
               "TBD.ONSYKN,TBD.ONSZKN,TBD.ONCLKN,TBD.ONSURY,JCAT(TH2.OMFUDA,TBD.ONNFKB,'_',MHU.HUDA_NAME),"
               "MHU.SAGYOU_DAI,TBD.TAG_OP_DATE "
               "From TBL_RD_H2 TH2 Inner Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2 "
               "Left Join MST_HUDASYU MHU On TH2.OMFUDA=MHU.HUDA_SYU And TBD.ONNFKB=MHU.HUDA_KU "
               "Where Not ")
        + ChangeMarker::sqlInState(QStringLiteral("TBD.ONSURYM"), ChangeMarker::Billed)
        + QStringLiteral(" And Not TBD.TAG_OP_DATE='' And TBD.TAG_OP_DATE<=") + SqlText(limit, false, true);
}

// "20" and the stamp written "00/00/00": 240520 gives 2024/05/20.
QString tagDate(const QString &stamp)
{
    const QString s = stamp.trimmed();
    bool digits = !s.isEmpty() && s.size() <= 6;
    for (QChar c : s)
        digits = digits && c.isDigit();
    if (!digits)
        return QStringLiteral("20") + s;
    const QString d = s.rightJustified(6, QLatin1Char('0'));
    return QStringLiteral("20") + d.left(2) + QLatin1Char('/') + d.mid(2, 2) + QLatin1Char('/') + d.mid(4, 2);
}

// A whole number as the old engine's integer conversion makes it: halves
// to even, beyond 32 bits an overflow.
double wholeNumber(double v)
{
    const double r = jet::roundHalfEven(v);
    if (!std::isfinite(r) || r > std::numeric_limits<qint32>::max() || r < std::numeric_limits<qint32>::min())
        throw DbError(DbErr::Overflow, QStringLiteral("オーバーフローしました。"));
    return r;
}

QString lineName(const Recordset &rs)
{
    return QStringLiteral("伝票No %1 行No %2").arg(rs.text(QStringLiteral("OMDNNO")), rs.text(QStringLiteral("ONLINE")));
}

// Hands each gathered line to `take` in the order of the sheet, as it is
// read, every value checked first; returns how many there were. A line
// that cannot be charged stops the run: the workbook being filled is then
// thrown away.
template <typename Take>
int readGathered(Database &db, Take take)
{
    int lines = 0;
    Recordset rs = db.query(QStringLiteral("Select * From TMP_JSEIKYU Order By TAG_OP_DATE,OMHCNO,OMDNNO,ONLINE"));
    for (; !rs.eof(); rs.moveNext()) {
        ChargedLine l;
        l.tagDate = tagDate(rs.text(QStringLiteral("TAG_OP_DATE")));
        int i = 0;
        for (const char *c : {"OMHCNO", "OMDNNO", "ONLINE", "HUDA_NAME", "OMTRCD", "OMTRKN", "ONSYKN", "ONSZKN", "ONCLKN"})
            l.texts[i++] = rs.text(QString::fromLatin1(c));

        const std::optional<double> tenths = jet::parseNumber(rs.text(QStringLiteral("ONSURY")));
        if (!tenths)
            throw DbError(DbErr::TypeMismatch, QStringLiteral("%1 の数量 '%2' が数値ではありません。")
                                                   .arg(lineName(rs), rs.text(QStringLiteral("ONSURY"))));
        // A tag kind missing from the master has no fee; charging it
        // nothing would mark the line charged for good.
        const QVariant fee = rs.field(QStringLiteral("SAGYOU_DAI"));
        const std::optional<double> perTag = fee.isNull() ? std::nullopt : jet::parseNumber(fee.toString());
        if (!perTag)
            throw DbError(DbErr::InvalidNull,
                          QStringLiteral("%1 の値札種類 %2%3 の作業代が値札種類マスタにありません。"
                                         "値札種類マスタを確認してください。")
                              .arg(lineName(rs), rs.text(QStringLiteral("OMFUDA")), rs.text(QStringLiteral("ONNFKB"))));
        l.tags = wholeNumber(*tenths) / 10;
        l.fee = l.tags * wholeNumber(*perTag);
        take(l);
        ++lines;
    }
    return lines;
}

void ensureFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        throw DbError(DbErr::PathAccess, QStringLiteral("フォルダ '%1' を作成できません。").arg(path));
}

// Returns the number of lines written.
int fillWorkbook(const QString &path, Database &db)
{
    Workbook book(path);
    Worksheet data = book.sheet(2);
    int r = 2;
    const int lines = readGathered(db, [&](const ChargedLine &l) {
        data.setText(r, 1, l.tagDate);
        for (int c = 0; c < 9; ++c)
            data.setText(r, c + 2, l.texts[c]);
        data.setNumber(r, 11, l.tags);
        data.setNumber(r, 12, l.fee);
        ++r;
    });
    data.autoFitColumns(QStringLiteral("A:L"));
    Worksheet summary = book.sheet(1);
    summary.refreshPivotTable(consignmentPivotName());
    summary.setColumnStyle(QStringLiteral("C:IV"), QStringLiteral("Comma [0]"));
    book.save();
    return lines;
}

} // namespace

QString consignmentPivotName()
{
    return QStringLiteral("ﾋﾟﾎﾞｯﾄﾃｰﾌﾞﾙ1");
}

QString consignmentDatePreset()
{
    QString day = Settings::readText(SettingKey::ShimeBi).trimmed();
    const QDate today = Clock::today();
    // Closing day 31 means the month's end, which a short month has earlier.
    bool whole = false;
    const int n = day.toInt(&whole);
    if (whole && n > today.daysInMonth())
        day = QString::number(today.daysInMonth());
    if (day.size() == 1 && day.at(0).isDigit())
        day.prepend(QLatin1Char('0'));
    return today.toString(QStringLiteral("yyyyMM")) + day;
}

std::optional<QString> consignmentLimitDate(const QString &answer)
{
    const QString a = answer.trimmed();
    if (a.size() != 6 && a.size() != 8)
        return std::nullopt;
    for (QChar c : a)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    // Tag dates are stamped "yyMMdd" in this century, so six digits are 20yy.
    const QString full = a.size() == 6 ? QStringLiteral("20") + a : a;
    // 20250231 would charge every line tagged up to a day that never came.
    if (!QDate(full.left(4).toInt(), full.mid(4, 2).toInt(), full.right(2).toInt()).isValid())
        return std::nullopt;
    return a.right(6);
}

ConsignmentResult IssueConsignmentDetail(Database &db, Dialogs &dialogs, const std::optional<QString> &date)
{
    if (!dialogs.confirm(QStringLiteral("発行明細を出力します。\nよろしいですか？"), applicationTitle()))
        return {};
    const std::optional<QString> answer =
        date ? date
             : dialogs.input(QStringLiteral("請求日付を入力してください。(yyyyMMdd)"), QStringLiteral("日付入力"),
                             consignmentDatePreset());
    if (!answer || answer->trimmed().isEmpty()) {
        dialogs.info(Cancelled, applicationTitle());
        return {};
    }
    const std::optional<QString> limit = consignmentLimitDate(*answer);
    if (!limit) {
        dialogs.error(QStringLiteral("請求日付 '%1' は日付として認識できません。yyyyMMdd（例 20240520）で入力してください。\n")
                              .arg(answer->trimmed())
                          + Cancelled,
                      applicationTitle());
        return {};
    }
    return writeConsignmentDetail(db, dialogs, *limit);
}

ConsignmentResult writeConsignmentDetail(Database &db, Dialogs &dialogs, const QString &limit)
{
    ConsignmentResult result;
    {
        Transaction tx(db);
        db.execute(QStringLiteral("Delete From TMP_JSEIKYU"));
        db.execute(gatherSql(limit));
        tx.commit();
    }
    if (db.scalar(QStringLiteral("Select Count(*) From TMP_JSEIKYU")).toLongLong() == 0) {
        dialogs.message(QStringLiteral("出力する明細が存在しませんでした。\n%1 までに値札を出力し、まだ受託請求していない明細がありません。")
                            .arg(limit),
                        applicationTitle(), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
        return result;
    }

    const QString writePath = Settings::readText(SettingKey::WritePath);
    if (writePath.isEmpty())
        throw DbError(DbErr::PathAccess,
                      QStringLiteral("書出しフォルダが設定されていません。設定画面で書出しフォルダを指定してください。"));
    ensureFolder(writePath);
    const QString folder = QDir(writePath).filePath(QStringLiteral("SeikyuMeisai"));
    ensureFolder(folder);
    const QString templatePath = AppFolder::file(QStringLiteral("COR/SeikyuMeisai"));
    if (!QFileInfo::exists(templatePath))
        throw DbError(DbErr::FileNotFound, QStringLiteral("テンプレート '%1' が見つかりません。").arg(templatePath));

    // Filled under a working name; the final name appears only together
    // with the markers.
    const QString target = freeWorkbookName(folder, QStringLiteral("BD"));
    const QString work = target + QStringLiteral(".part");
    if (!QFile::copy(templatePath, work))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(work));
    QFile::setPermissions(work, QFile::permissions(work) | QFile::WriteOwner);
    int lines = 0;
    try {
        lines = fillWorkbook(work, db);
        Transaction tx(db);
        db.execute(QStringLiteral("Update TBL_RD_BD Set ONSURYM=")
                   + ChangeMarker::sqlWithState(QStringLiteral("ONSURYM"), ChangeMarker::Billed)
                   + QStringLiteral(" Where INDEXNOBD In (Select INDEXNOBD From TMP_JSEIKYU)"));
        publishWithCommit(tx, work, target);
    } catch (...) {
        QFile::remove(work);
        throw;
    }
    result.status = 0;
    result.path = target;
    result.lines = lines;
    dialogs.info(QString::number(result.lines) + QStringLiteral("件の明細を出力しました。")
                     + QStringLiteral("\nファイル: %1\n受託請求済みにした明細: %2 行（値札出力日 %3 まで）")
                           .arg(QDir::toNativeSeparators(target))
                           .arg(result.lines)
                           .arg(limit),
                 applicationTitle());
    return result;
}
