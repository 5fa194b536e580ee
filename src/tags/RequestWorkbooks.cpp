#include "tags/RequestWorkbooks.h"

#include "output/Workbook.h"
#include "output/WorkbookFiles.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Literals.h"
#include "store/Numbering.h"
#include "store/SafeName.h"
#include "store/JetFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The password the chain's tag-making places expect on the confirmations.
const QString kSheetPassword = QStringLiteral("kopram_RZN");
constexpr int FirstLineRow = 12;

struct Group {
    QString partner, place, destination;
};

QString groupLinesSql(qint32 batch, const Group &g)
{
    return QStringLiteral(
               "Select THB.INDEXNOH1,THB.OMHCNO,THB.OMHCDT,THB.OMNKDT,THB.OMTRCD,THB.OMTRKN,THB.OMYOB3,"
               "MIN(THB.SEIKYU_FLG) as SEIKYU_FLG,THB.ONLINE,THB.ONHNCD,THB.ONSKU,Sum(THB.ONSURY) as ONSURY,"
               "THB.ONBTNK,THB.ONSYKN,MHU.HUDA_NAME,MNA.NOU_NAME,MNA.NOU_ADD,MTC.BASE_NAME "
               "From (Select TH2.INDEXNOH1,TH2.OMHCDT,TH2.OMNKDT,TH2.OMTRCD,TH2.OMTRKN,TH2.OMFUDA,TH2.OMHCNO,"
               "substr(TH2.OMYOB3,1,2) as CRPRI,substr(TH2.OMYOB3,-4) as NOUCD,TH2.OMYOB3,TH2.SEIKYU_FLG,TBD.ONLINE,"
               "TBD.ONHNCD,TBD.ONSKU,TBD.ONSURY,TBD.ONBTNK,TBD.ONSYKN,TBD.ONNFKB "
               "From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2) THB "
               "Left Join MST_HUDASYU MHU On THB.OMFUDA=MHU.HUDA_SYU And THB.ONNFKB=MHU.HUDA_KU "
               "Left Join MST_TCBASE MTC On THB.CRPRI=MTC.BASE_CD "
               "Left Join MST_NOUADD MNA On THB.OMTRCD=MNA.TOK_CD And THB.NOUCD=MNA.NOU_CD "
               "Where THB.INDEXNOH1=")
        + SqlNumber(batch) + QStringLiteral("And THB.OMTRCD=") + SqlText(g.partner, false, true)
        + QStringLiteral("And Not THB.ONNFKB='0' And THB.CRPRI=") + SqlText(g.place, false, true)
        + QStringLiteral("And THB.NOUCD=") + SqlText(g.destination, false, true)
        + QStringLiteral("Group By THB.INDEXNOH1,THB.OMHCNO,THB.OMHCDT,THB.OMNKDT,THB.OMTRCD,THB.OMTRKN,THB.OMYOB3,"
                         "THB.ONLINE,THB.ONHNCD,THB.ONSKU,THB.ONBTNK,THB.ONSYKN,THB.ONNFKB,MHU.HUDA_NAME,"
                         "MNA.NOU_NAME,MNA.NOU_ADD,MTC.BASE_NAME Order By THB.OMHCNO,THB.ONLINE");
}

void ensureFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        throw DbError(DbErr::PathAccess, QStringLiteral("フォルダ '%1' を作成できません。").arg(path));
}

double numberOf(const QVariant &v)
{
    return jet::parseNumber(v.toString()).value_or(0);
}

bool hasRequestNumber(const QString &flag)
{
    return !(flag.isEmpty() || flag == QLatin1String("0") || flag == QLatin1String("-1"));
}

// Writes the workbook of one group; nothing when it has no tagged line.
std::optional<RequestWorkbook> mkIraiExcel(Database &db, const TagSettings &settings, qint32 batch, const Group &g)
{
    Recordset rows = db.query(groupLinesSql(batch, g));
    if (rows.eof())
        return std::nullopt;

    if (settings.writePath.isEmpty())
        throw DbError(DbErr::PathAccess,
                      QStringLiteral("書出しフォルダが設定されていません。設定画面で書出しフォルダを指定してください。"));
    const QString templatePath = QDir(settings.appFolder).filePath(QStringLiteral("COR/TOOCS"));
    if (!QFileInfo::exists(templatePath))
        throw DbError(DbErr::FileNotFound, QStringLiteral("テンプレート '%1' が見つかりません。").arg(templatePath));

    // The number is drawn and stored on the slips in one transaction that
    // commits only once the workbook is saved: a failed workbook leaves
    // neither a used number nor a partial file.
    Transaction t(db);
    const QString flag = rows.text(QStringLiteral("SEIKYU_FLG"));
    const QString request = hasRequestNumber(flag) ? flag : QString::number(GetNextIndex(db, QStringLiteral("JNO")));
    const QString partnerName = rows.text(QStringLiteral("OMTRKN"));
    const QString placeName = rows.text(QStringLiteral("BASE_NAME"));
    const QString destination = rows.text(QStringLiteral("NOU_NAME"));
    const QString address = rows.text(QStringLiteral("NOU_ADD"));
    const QString omyob3 = rows.text(QStringLiteral("OMYOB3"));
    const QDate today = Clock::today();

    const QString folder = QDir(settings.writePath).filePath(QString::number(batch));
    ensureFolder(folder);
    const QString name = RequestWorkbooks::workbookFileName(today, request, partnerName, placeName, destination);
    const QString target = QDir::toNativeSeparators(QDir(folder).filePath(name));
    // The work copy is named by the request alone: the workbook's own name
    // may take all 255 bytes a file name has.
    const QString work = QDir::toNativeSeparators(QDir(folder).filePath(request + QStringLiteral(".xlsx.part")));
    QFile::remove(work);
    if (!QFile::copy(templatePath, work))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(work));
    QFile::setPermissions(work, QFile::permissions(work) | QFile::WriteOwner);
    int slips = 0;
    try {
        Workbook book(work);
        Worksheet sheet = book.sheet(1);
        sheet.setText(1, 3, partnerName + QStringLiteral("  御中"));
        sheet.setText(2, 3, today.toString(QStringLiteral("yyyy/MM/dd")));
        sheet.setText(1, 10, request);
        sheet.setText(2, 10, placeName);
        sheet.setText(7, 3, destination);
        sheet.setText(8, 3, address);
        int row = FirstLineRow;
        for (; !rows.eof(); rows.moveNext(), ++row) {
            sheet.setNumber(row, 1, row - FirstLineRow + 1);
            sheet.setText(row, 2, rows.text(QStringLiteral("OMHCNO")));
            sheet.setText(row, 3, rows.text(QStringLiteral("OMHCDT")));
            sheet.setText(row, 4, rows.text(QStringLiteral("OMNKDT")));
            sheet.setText(row, 5, rows.text(QStringLiteral("ONSYKN")));
            sheet.setText(row, 6, rows.text(QStringLiteral("ONHNCD")));
            sheet.setText(row, 7, rows.text(QStringLiteral("ONSKU")));
            sheet.setNumber(row, 8, jet::roundHalfEven(numberOf(rows.field(QStringLiteral("ONBTNK")))));
            sheet.setNumber(row, 9, numberOf(rows.field(QStringLiteral("ONSURY"))) / 10.0);
            sheet.setText(row, 10, rows.text(QStringLiteral("HUDA_NAME")));
        }
        rows.close();
        sheet.drawBottomBorder(QStringLiteral("A%1:J%1").arg(row - 1));
        sheet.protect(kSheetPassword);
        book.save();

        db.execute(QStringLiteral("Update TBL_RD_H2 Set SEIKYU_FLG=") + SqlText(request, false, true)
                   + QStringLiteral("Where INDEXNOH1=") + SqlNumber(batch) + QStringLiteral("And OMTRCD=")
                   + SqlText(g.partner, false, true) + QStringLiteral("And OMYOB3=") + SqlText(omyob3, false, true));
        slips = int(db.changes());
        QFile::remove(target);
        publishWithCommit(t, work, target);
    } catch (...) {
        QFile::remove(work);
        throw;
    }
    return RequestWorkbook{request, target, slips};
}

} // namespace

QString RequestWorkbooksOutcome::failureText() const
{
    QString text = QStringLiteral("次の値札発行依頼確認書を作成できませんでした。");
    for (const RequestWorkbookFailure &f : failed)
        text += QStringLiteral("\n%1: エラーNo = %2 %3").arg(f.group).arg(f.number).arg(f.description);
    return text;
}

namespace RequestWorkbooks {

QString batchListSql()
{
    return QStringLiteral(
        "Select TH1.INDEXNOH1 as 管理NoB01000,TH1.OLOPDT as ﾃﾞｰﾀ日付D01000,TFD.IMPORT_DATE as 読込日D01000,"
        "TH1.OLLINE as 明細件数B00800,IIF(TH2.INDEXNOH1 Is Null,'','*') as 未発行s00500 "
        "From TBL_RD_H1 TH1 Left Join TBL_FLG_DATA TFD On TH1.INDEXNOH1=TFD.INDEXNOH1 "
        "Left Join (Select INDEXNOH1 From TBL_RD_H2 Where (SEIKYU_FLG='' Or SEIKYU_FLG Is Null) Group By INDEXNOH1) TH2 "
        "On TH1.INDEXNOH1=TH2.INDEXNOH1 Order By TH1.OLOPDT Desc,TH1.INDEXNOH1 Desc");
}

QString partnerListSql(const QString &batch)
{
    const QString b = SqlNumber(batch);
    return QStringLiteral("Select TH2.INDEXNOH1 as 管理NoB00900,TH2.OMTRCD as 取CDs00900,TH2.OMTRKN as 取引先名B01500,"
                          "Count(TH2K.CNK) as 納件数s00900 From (Select INDEXNOH1,OMTRCD,OMTRKN From TBL_RD_H2 "
                          "Where INDEXNOH1=%1Group By INDEXNOH1,OMTRCD,OMTRKN) TH2 Left Join "
                          "(Select INDEXNOH1,OMTRCD,substr(OMYOB3,-4) as CNK From TBL_RD_H2 Where INDEXNOH1=%1"
                          "Group By INDEXNOH1,OMTRCD,substr(OMYOB3,-4)) TH2K On TH2.INDEXNOH1=TH2K.INDEXNOH1 "
                          "And TH2.OMTRCD=TH2K.OMTRCD Group By TH2.INDEXNOH1,TH2.OMTRCD,TH2.OMTRKN "
                          "Order By TH2.INDEXNOH1,TH2.OMTRCD,TH2.OMTRKN")
        .arg(b);
}

RequestWorkbooksOutcome makeWorkbooks(Database &db, const TagSettings &settings, qint32 batch, const QString &partner)
{
    QList<Group> groups;
    {
        QString sql = QStringLiteral("Select OMTRCD,substr(OMYOB3,1,2),substr(OMYOB3,-4) From TBL_RD_H2 Where INDEXNOH1=")
            + SqlNumber(batch);
        if (!partner.isEmpty())
            sql += QStringLiteral("And OMTRCD=") + SqlText(partner, false, true);
        sql += QStringLiteral("Group By OMTRCD,substr(OMYOB3,1,2),substr(OMYOB3,-4) "
                              "Order By OMTRCD,substr(OMYOB3,1,2),substr(OMYOB3,-4)");
        Recordset rs = db.query(sql);
        for (; !rs.eof(); rs.moveNext())
            groups << Group{rs.text(0), rs.text(1), rs.text(2)};
    }
    // Every group gets its try: a name, a folder or a workbook that fails
    // for one group says nothing about the next.
    RequestWorkbooksOutcome out;
    for (const Group &g : groups) {
        try {
            if (const auto w = mkIraiExcel(db, settings, batch, g))
                out.made << *w;
        } catch (const DbError &e) {
            out.failed << RequestWorkbookFailure{
                QStringLiteral("取引先 %1 作成場所 %2 納品先 %3").arg(g.partner, g.place, g.destination), e.number(),
                e.description()};
        }
    }
    return out;
}

QString toHalfWidth(const QString &text)
{
    static const QString fullKana = QStringLiteral(
        "ァアィイゥウェエォオカキクケコサシスセソタチッツテトナニヌネノハヒフヘホマミムメモャヤュユョヨラリルレロワヲン"
        "ー。「」、・");
    static const QString halfKana = QStringLiteral(
        "ｧｱｨｲｩｳｪｴｫｵｶｷｸｹｺｻｼｽｾｿﾀﾁｯﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓｬﾔｭﾕｮﾖﾗﾘﾙﾚﾛﾜｦﾝ"
        "ｰ｡｢｣､･");
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) {
            out += QChar(char16_t(u - 0xFF01 + 0x21));
        } else if (u == 0x3000) {
            out += QLatin1Char(' ');
        } else if ((u >= 0x30A1 && u <= 0x30FA) || fullKana.contains(c)) {
            // A voiced katakana decomposes into the plain kana and a mark,
            // each of which has its half-width form.
            for (const QChar d : QString(c).normalized(QString::NormalizationForm_D)) {
                if (d.unicode() == 0x3099)
                    out += QChar(0xFF9E);
                else if (d.unicode() == 0x309A)
                    out += QChar(0xFF9F);
                else if (const qsizetype i = fullKana.indexOf(d); i >= 0)
                    out += halfKana.at(i);
                else
                    out += d;
            }
        } else {
            out += c;
        }
    }
    return out;
}

QString workbookFileName(const QDate &today, const QString &request, const QString &partner, const QString &place,
                         const QString &destination)
{
    const QString head = today.toString(QStringLiteral("yyMMdd")) + QLatin1Char('_') + request + QLatin1Char('_')
        + toHalfWidth(partner) + QLatin1Char('_');
    const QString ext = QStringLiteral(".xlsx");
    // The place and destination names come from masters and may be long;
    // the date, number and partner are what the tag-making place files by.
    // Making a name fit keeps its length, so the parts are measured as they are.
    QString placePart = toHalfWidth(place);
    QString destinationPart = destination;
    const int room = SafeName::MaxBytes - SafeName::encodedLength(head + QLatin1Char('_') + ext);
    if (SafeName::encodedLength(placePart + destinationPart) > room) {
        // The destination gives way first, down to half the room; then the place.
        const int placeBytes = SafeName::encodedLength(placePart);
        destinationPart = SafeName::truncated(destinationPart, qMax(room - placeBytes, room / 2));
        placePart = SafeName::truncated(placePart, room - SafeName::encodedLength(destinationPart));
    }
    return SafeName::made(head + placePart + QLatin1Char('_') + destinationPart + ext);
}

} // namespace RequestWorkbooks
