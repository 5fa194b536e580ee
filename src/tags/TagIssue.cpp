#include "tags/TagIssue.h"

#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Literals.h"
#include "store/Dialogs.h"
#include "store/JetFunctions.h"
#include "tags/TagSummary.h"
#include "tags/clsHudaPrint.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace {

const QString kConfirmTitle = QStringLiteral("確認");
const QString kErrorTitle = QStringLiteral("エラー");

QString quotedText(const QString &text)
{
    return SqlText(text, false, true);
}

// The output-date test on a table alias, as one parenthesised whole, so
// that it narrows the batch and kind conditions instead of widening them.
QString outputDateCondition(const QString &alias, bool written)
{
    const QString test = QStringLiteral("(%1.TAG_OP_DATE='' or %1.TAG_OP_DATE Is Null)").arg(alias);
    return written ? QStringLiteral("Not ") + test : test;
}

// The lines of every slip with their PB master keys: corporation always 0,
// division, group and SKU as integers.
QString pbLines(const QString &columns)
{
    return QStringLiteral("(Select %1,0 as KYHoujin,CLNG(TH2.OMTCD2) as KYCHIKU,CLNG(TBD.ONGNCD) as KYGUN,"
                          "CLNG(TBD.ONSKU) as KYSKU From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD "
                          "On TH2.INDEXNOH2=TBD.INDEXNOH2) TR Left Join MST_PB MPB On MPB.HOUJIN_CD=TR.KYHoujin "
                          "and MPB.JIGYOUBU_CD=TR.KYCHIKU and MPB.GUNBAN_CD=TR.KYGUN and MPB.SKU_CD=TR.KYSKU ")
        .arg(columns);
}

// Columns 0 to 13 of the tag data query, then the count and INDEXNOBD. `l`
// is the alias of the line's columns, `h` of the slip header's.
QString tagColumns(const QString &l, const QString &h, const QString &count)
{
    return QStringLiteral("Select substr(%1.ONGNCD,-3),%1.ONSYGN,%1.ONHNCD,%2.OMOPMM,JCAT('\\',CSTR(CLNG(%1.ONBTNK))),"
                          "%2.OMTRCD,%1.ONCLKN,%1.ONSZKN,JCAT(substr(%1.ONGNCD,-3),'-',%1.ONHNCD,'-',%1.ONSKU),"
                          "JCAT('2',substr(%1.ONGNCD,-3),%1.ONHNCD,%1.ONSKU),%1.ONSYKB,JCAT('1',substr(%1.ONBTNK,-6)),"
                          "MGN.GUN_NAME,IIF(MJB.JI_NAME Is Null,'SUNLIT STYLE FLOOR',MJB.JI_NAME),%3,%1.INDEXNOBD")
        .arg(l, h, count);
}

const QString kOrdinaryFrom =
    QStringLiteral(" From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2 "
                   "Left Join MST_GUNBAN MGN On TBD.ONGNCD=MGN.GUN_CD "
                   "Left Join MST_JIGYOUBU MJB On TH2.OMTCD2=MJB.JI_CD ");

QString pbFrom()
{
    return QStringLiteral(" From ")
        + pbLines(QStringLiteral("TH2.INDEXNOH1,TH2.INDEXNOH2,TH2.OMFUDA,TH2.OMOPMM,TH2.OMTRCD,TH2.OMTCD2,"
                                 "TH2.SEIKYU_FLG,TBD.INDEXNOBD,TBD.ONLINE,TBD.ONGNCD,TBD.ONHNCD,TBD.ONSKU,TBD.ONSYGN,TBD.ONBTNK,"
                                 "TBD.ONCLKN,TBD.ONSZKN,TBD.ONSYKB,TBD.ONSURY,TBD.ONNFKB,TBD.TAG_OP_DATE"))
        + QStringLiteral("Left Join MST_GUNBAN MGN On TR.ONGNCD=MGN.GUN_CD "
                         "Left Join MST_JIGYOUBU MJB On TR.OMTCD2=MJB.JI_CD ");
}

// The PB lines of a request's slips, for a statement over pbLines: the
// chain's PB kind, and every kind and code the tag kind master marks PB.
// Code "0" is a line without a tag.
QString requestPbLines(const QString &request)
{
    return QStringLiteral("Left Join MST_HUDASYU MHS On TR.OMFUDA=MHS.HUDA_SYU And TR.ONNFKB=MHS.HUDA_KU Where TR.SEIKYU_FLG=")
        + quotedText(request) + QStringLiteral("And Not TR.ONNFKB='0' And (TR.OMFUDA=") + quotedText(TagKind::ChainPb)
        + QStringLiteral("Or MHS.PB_FLG=") + TagFlag::Pb + QStringLiteral(") ");
}

const QString kPbExtra = QStringLiteral(",MPB.ITEM_CD,MPB.INJINAIYOU_SIZE,MPB.INJINAIYOU_SOZAI,MPB.INJINAIYOU_GENSANKOKU");

void showNoTagName(Dialogs &dialogs)
{
    dialogs.error(QStringLiteral("マスタが札の種類が識別できません。\n"
                                 "PB札の場合、PBマスタの読込を行ってもう一度処理を行ってみてください。\n"
                                 "値札の場合プログラムのアップデートを行なって再度実行してください。"),
                  applicationTitle());
}

void showBadFlag(Dialogs &dialogs)
{
    dialogs.error(QStringLiteral("札明細情報識別情報にエラーがあります。　印字処理を終了します。"), applicationTitle());
}

bool ask(Dialogs &dialogs, const QString &text)
{
    return dialogs.message(text, kConfirmTitle, MsgIcon::Information, MsgButtons::OkCancel, MsgResult::Ok)
        == MsgResult::Ok;
}

// Runs the export and stamps the written lines; reports every result
// other than success.
TagRunOutcome exportAndStamp(Database &db, Dialogs &dialogs, const TagSettings &settings, const QString &sql,
                             const QString &baseName, bool pb, bool oneLine)
{
    TagRunOutcome out;
    clsHudaPrint print(db, settings);
    print.setSQL(sql);
    const int r = print.Nehuda_EX(baseName, pb, 0);
    out.exportResult = r;
    out.dataFile = print.dataFile();
    if (r == clsHudaPrint::Written) {
        TagIssue::stampWritten(db, print.OKMeisai());
        out.stamped = print.OKMeisai();
        out.status = TagRunOutcome::Done;
        dialogs.info(TagIssue::writtenReport(out), applicationTitle());
    } else {
        TagIssue::reportExportResult(dialogs, r, oneLine);
        out.status = r == clsHudaPrint::NoRows ? TagRunOutcome::NothingDone : TagRunOutcome::Failed;
    }
    return out;
}

} // namespace

namespace TagIssue {

QString batchListSql()
{
    return QStringLiteral(
        "Select TH1.INDEXNOH1 as 管理NoB01000,TH1.OLOPDT as ﾃﾞｰﾀ日付D01000,TFD.IMPORT_DATE as 読込日D01000,"
        "TH1.OLLINE as 明細件数L00800,IIF(TRD.INDEXNOH1 Is Null,'','*') as 未発行s00500 "
        "From TBL_RD_H1 TH1 Left Join TBL_FLG_DATA TFD On TH1.INDEXNOH1=TFD.INDEXNOH1 "
        "Left Join (Select INDEXNOH1 From TBL_RD_BD Where (TAG_OP_DATE='' Or TAG_OP_DATE Is Null) "
        "And Not(ONNFKB = '0') Group By INDEXNOH1) TRD On TH1.INDEXNOH1=TRD.INDEXNOH1 "
        "Order By TH1.OLOPDT Desc,TH1.INDEXNOH1 Desc");
}

QString summaryListSql(const QString &batch)
{
    return QStringLiteral("Select INDEXNOH1 as 管理NoB00900,NEHUDA_SYU as 札種s00500,NEHUDA_KUBUN as 札区s00500,"
                          "TAG_SYU as 札名B01200,SUU as 数量L00900,OP_DATE as 備考s01200 From TBL_HUDA Where INDEXNOH1=")
        + SqlNumber(batch) + QStringLiteral("Order By ") + TagSummaryOrder();
}

QString lineListSql(const QString &flag, const TagKindRow &row)
{
    const QString where = QStringLiteral("%1.INDEXNOH1=%2And %1.OMFUDA=%3And %1.ONNFKB=%4");
    if (flag == TagFlag::Pb) {
        QString sql = QStringLiteral(
                          "Select TR.OMDNNO as 伝票NoB00900,TR.INDEXNOBD as IDXH00000,TR.ONLINE as 行s00500,"
                          "TR.ONSKU as SKUs00900,TR.ONSYGN as 商品原番S01300,TR.ONSYKN as 商品名S01900,"
                          "TR.ONSZKN as ｻｲｽﾞ名S00900,TR.ONCLKN as ｶﾗｰ名S00900,FIX(TR.ONSURY / 10.0) as 数量L00900,"
                          "TR.TAG_OP_DATE as 出力日D00900 From ")
            + pbLines(QStringLiteral("TH2.OMDNNO,TBD.INDEXNOBD,TBD.ONLINE,TBD.ONSKU,TBD.ONSYGN,TBD.ONSYKN,TBD.ONSZKN,"
                                     "TBD.ONCLKN,TBD.ONSURY,TBD.TAG_OP_DATE,TH2.INDEXNOH1,TH2.OMFUDA,TBD.ONNFKB"))
            + QStringLiteral("Where ")
            + where.arg(QStringLiteral("TR"), SqlNumber(row.batch), quotedText(row.kind), quotedText(row.code));
        // Lines without a PB master row have no type; they are listed
        // whatever their output date, so that they can be found and mended.
        if (row.name.isEmpty())
            sql += QStringLiteral("And MPB.TAG_SYURUI Is Null ");
        else
            sql += QStringLiteral("And MPB.TAG_SYURUI=") + SqlNumber(row.name) + QStringLiteral("And ")
                + outputDateCondition(QStringLiteral("TR"), row.written()) + QLatin1Char(' ');
        return sql + QStringLiteral("Order By TR.OMDNNO,TR.ONLINE");
    }
    return QStringLiteral("Select TRH2.OMDNNO as 伝票NoB00900,TRB.INDEXNOBD as IDXH00000,TRB.ONLINE as 行s00500,"
                          "TRB.ONSKU as SKUs00900,TRB.ONSYGN as 商品原番S01300,TRB.ONSYKN as 商品名S01900,"
                          "TRB.ONSZKN as ｻｲｽﾞ名S00900,TRB.ONCLKN as ｶﾗｰ名S00900,FIX(TRB.ONSURY / 10.0) as 数量L00900,"
                          "TRB.TAG_OP_DATE as 出力日D00900 From TBL_RD_H2 TRH2 Left Join TBL_RD_BD TRB "
                          "On TRH2.INDEXNOH2=TRB.INDEXNOH2 Where TRH2.INDEXNOH1=")
        + SqlNumber(row.batch) + QStringLiteral("And TRH2.OMFUDA=") + quotedText(row.kind)
        + QStringLiteral(" And TRB.ONNFKB=") + quotedText(row.code) + QStringLiteral(" And ")
        + outputDateCondition(QStringLiteral("TRB"), row.written())
        + QStringLiteral(" Order By TRH2.OMDNNO,TRB.ONLINE");
}

QString kindTagSql(const QString &flag, const TagKindRow &row)
{
    if (flag == TagFlag::Pb)
        return tagColumns(QStringLiteral("TR"), QStringLiteral("TR"), QStringLiteral("FIX(TR.ONSURY / 10.0)")) + kPbExtra
            + pbFrom() + QStringLiteral("Where TR.INDEXNOH1=") + SqlNumber(row.batch) + QStringLiteral("And TR.OMFUDA=")
            + quotedText(row.kind) + QStringLiteral(" And TR.ONNFKB=") + quotedText(row.code) + QStringLiteral(" And ")
            + outputDateCondition(QStringLiteral("TR"), row.written()) + QStringLiteral(" And MPB.TAG_SYURUI=")
            + SqlNumber(row.name) + QStringLiteral("Order By TR.INDEXNOH2,TR.ONLINE");
    return tagColumns(QStringLiteral("TBD"), QStringLiteral("TH2"), QStringLiteral("FIX(TBD.ONSURY / 10.0)"))
        + kOrdinaryFrom + QStringLiteral("Where TH2.INDEXNOH1=") + SqlNumber(row.batch)
        + QStringLiteral("And TH2.OMFUDA=") + quotedText(row.kind) + QStringLiteral(" And TBD.ONNFKB=")
        + quotedText(row.code) + QStringLiteral(" And ") + outputDateCondition(QStringLiteral("TBD"), row.written())
        + QStringLiteral(" Order By TH2.INDEXNOH2,TBD.ONLINE");
}

QString lineTagSql(const QString &flag, qint32 count, const QString &indexNoBd)
{
    if (flag == TagFlag::Pb)
        return tagColumns(QStringLiteral("TR"), QStringLiteral("TR"), QString::number(count)) + kPbExtra + pbFrom()
            + QStringLiteral("Where TR.INDEXNOBD=") + SqlNumber(indexNoBd);
    return tagColumns(QStringLiteral("TBD"), QStringLiteral("TH2"), QString::number(count)) + kOrdinaryFrom
        + QStringLiteral("Where TBD.INDEXNOBD=") + SqlNumber(indexNoBd);
}

void stampWritten(Database &db, const QStringList &indexNoBd)
{
    const QString today = Clock::today().toString(QStringLiteral("yyMMdd"));
    Transaction t(db);
    // One statement prepared once, run for each line written.
    Statement stamp = db.prepare(QStringLiteral("Update TBL_RD_BD Set TAG_OP_DATE=? Where INDEXNOBD=?"));
    for (const QString &n : indexNoBd) {
        stamp.bindText(1, today);
        stamp.bindInt(2, n.toLongLong());
        stamp.execute();
    }
    t.commit();
}

QString writtenReport(const TagRunOutcome &o)
{
    return QStringLiteral("印字データを出力しました。\n出力した明細: %1 行\n出力ファイル: %2")
        .arg(o.stamped.size())
        .arg(QDir::toNativeSeparators(o.dataFile));
}

void reportExportResult(Dialogs &dialogs, int r, bool oneLine)
{
    switch (r) {
    case clsHudaPrint::Written:
        break;
    case clsHudaPrint::NoRows:
        dialogs.message(QStringLiteral("出力する明細が存在しませんでした。"), kConfirmTitle, MsgIcon::Warning,
                        MsgButtons::Ok, MsgResult::Ok);
        break;
    case clsHudaPrint::ProgramMissing:
        dialogs.error(QStringLiteral("内部設定(conf.dat)の設定が間違っています。管理者に連絡してください。"), kErrorTitle);
        break;
    default:
        dialogs.error(oneLine ? QStringLiteral("原因不明のエラーです\nエラーNo = %1 RET=%1\n上記の番号を管理者に伝えて下さい。").arg(r)
                              : QStringLiteral("原因不明のエラーです\nエラーNo = %1\n上記の番号を管理者に伝えて下さい。").arg(r),
                      kErrorTitle);
        break;
    }
}

QString requestKindTagSql(const QString &request, const QString &kind, const QString &code)
{
    return tagColumns(QStringLiteral("TBD"), QStringLiteral("TH2"), QStringLiteral("FIX(TBD.ONSURY / 10.0)"))
        + kOrdinaryFrom + QStringLiteral("Where TH2.SEIKYU_FLG=") + quotedText(request) + QStringLiteral("And TH2.OMFUDA=")
        + quotedText(kind) + QStringLiteral("And TBD.ONNFKB=") + quotedText(code)
        + QStringLiteral("Order By TH2.INDEXNOH2,TBD.ONLINE");
}

QString requestPbTagSql(const QString &request, const QString &type)
{
    return tagColumns(QStringLiteral("TR"), QStringLiteral("TR"), QStringLiteral("FIX(TR.ONSURY / 10.0)")) + kPbExtra
        + pbFrom() + requestPbLines(request) + QStringLiteral("And MPB.TAG_SYURUI=") + SqlNumber(type)
        + QStringLiteral("Order By TR.INDEXNOH2,TR.ONLINE");
}

QString requestPbTypesSql(const QString &request)
{
    return QStringLiteral("Select TR.OMFUDA,TR.ONNFKB,MPB.TAG_SYURUI From ")
        + pbLines(QStringLiteral("TH2.SEIKYU_FLG,TH2.OMFUDA,TBD.ONNFKB")) + requestPbLines(request)
        + QStringLiteral("Group By TR.OMFUDA,TR.ONNFKB,MPB.TAG_SYURUI "
                             "Order By TR.OMFUDA,TR.ONNFKB,CASE WHEN MPB.TAG_SYURUI Is Null THEN 0 ELSE 1 END,"
                             "MPB.TAG_SYURUI");
}

std::optional<QString> pbFlag(Database &db, const QString &kind, const QString &code)
{
    Recordset rs = db.query(QStringLiteral("Select PB_FLG From MST_HUDASYU Where HUDA_SYU=? and HUDA_KU=?"),
                            {kind, code});
    if (rs.eof())
        return std::nullopt;
    return rs.text(0);
}

TagRunOutcome issueKind(Database &db, Dialogs &dialogs, const TagSettings &settings, const QString &flag,
                        const TagKindRow &row)
{
    if (row.name.isEmpty()) {
        showNoTagName(dialogs);
        return {};
    }
    if (flag != TagFlag::Ordinary && flag != TagFlag::Pb) {
        showBadFlag(dialogs);
        return {};
    }
    if (!ask(dialogs, QStringLiteral("印字作業を行います。\n%1 をプリンタにセットしてください。\n出力枚数は %2枚です。")
                          .arg(row.name, row.count)))
        return {};
    const bool pb = flag == TagFlag::Pb;
    // Ordinary tags: one layout per tag kind and code; PB tags: one per PB tag type.
    return exportAndStamp(db, dialogs, settings, kindTagSql(flag, row), pb ? row.name : row.kind + row.code, pb, false);
}

TagRunOutcome issueLine(Database &db, Dialogs &dialogs, const TagSettings &settings, const QString &flag,
                        const TagKindRow &row, const QString &indexNoBd, const QString &presetCount)
{
    if (row.name.isEmpty()) {
        showNoTagName(dialogs);
        return {};
    }
    if (!ask(dialogs, QStringLiteral("明細印字作業を行います。\n%1 をプリンタにセットしてください。").arg(row.name)))
        return {};
    const std::optional<QString> answer =
        dialogs.input(QStringLiteral("印字枚数を変更する場合下記の数量を変更してください。"), QStringLiteral("印字枚数変更指定"),
                      presetCount);
    const std::optional<double> number = answer ? jet::parseNumber(*answer) : std::nullopt;
    if (!number) {
        dialogs.error(QStringLiteral("数値以外の文字が入力されました。"), applicationTitle());
        return {};
    }
    if (*number < 1) {
        dialogs.error(QStringLiteral("1未満の数字が入力されました。"), applicationTitle());
        return {};
    }
    const double rounded = jet::roundHalfEven(*number);
    if (rounded > std::numeric_limits<qint32>::max()) {
        dialogs.error(QStringLiteral("入力された数値の値が大きすぎます。"), applicationTitle());
        return {};
    }
    const qint32 count = qint32(rounded);
    if (flag == TagFlag::Ordinary)
        return exportAndStamp(db, dialogs, settings, lineTagSql(flag, count, indexNoBd), row.kind + row.code, false,
                              true);
    if (flag == TagFlag::Pb)
        return exportAndStamp(db, dialogs, settings, lineTagSql(flag, count, indexNoBd), row.name, true, true);
    showBadFlag(dialogs);
    return {};
}

std::optional<LineKind> kindOfLine(Database &db, const QString &indexNoBd)
{
    Recordset rs = db.query(
        QStringLiteral("Select TBD.INDEXNOH1,TH2.OMFUDA,TBD.ONNFKB,TBD.TAG_OP_DATE,FIX(TBD.ONSURY / 10.0),MHS.PB_FLG,"
                       "MHS.HUDA_NAME From TBL_RD_BD TBD Left Join TBL_RD_H2 TH2 On TBD.INDEXNOH2=TH2.INDEXNOH2 "
                       "Left Join MST_HUDASYU MHS On TH2.OMFUDA=MHS.HUDA_SYU and TBD.ONNFKB=MHS.HUDA_KU "
                       "Where TBD.INDEXNOBD=?"),
        {indexNoBd});
    if (rs.eof())
        return std::nullopt;
    LineKind k;
    k.row.batch = rs.text(0);
    k.row.kind = rs.text(1);
    k.row.code = rs.text(2);
    k.row.note = rs.text(3).isEmpty() ? QString() : QStringLiteral("出力済み");
    k.count = rs.text(4);
    k.flag = rs.text(5);
    k.row.name = rs.text(6);
    rs.close();
    if (k.flag == TagFlag::Pb) {
        k.row.name = db.scalar(QStringLiteral("Select MPB.TAG_SYURUI From ")
                                   + pbLines(QStringLiteral("TBD.INDEXNOBD")) + QStringLiteral("Where TR.INDEXNOBD=?"),
                               {indexNoBd})
                         .toString();
    }
    return k;
}

QString picturePath(const QString &name)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : name)
        if (c.unicode() < 0x20 || forbidden.contains(c))
            return QString();
    const QString path = AppFolder::file(QStringLiteral("Pict/") + name + QStringLiteral(".jpg"));
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace TagIssue
