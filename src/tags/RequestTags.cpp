#include "tags/RequestTags.h"

#include "store/Database.h"
#include "store/Literals.h"
#include "store/Dialogs.h"
#include "tags/TagIssue.h"
#include "tags/clsHudaPrint.h"

#include <QList>

namespace {

// The chain's PB tag kind on the slips; the tag kind master marks the others.
const QString kPbKind = QStringLiteral("4");

struct KindCode {
    QString kind, code;
    bool pb = false;
};

} // namespace

namespace RequestTags {

QString requestListSql()
{
    // Slips without a request carry "0" (or nothing); billed ordinary slips
    // carry "-1" and are listed as that number.
    return QStringLiteral(
        "Select TH2.SEIKYU_FLG as 受注NoB00900,MTC.BASE_NAME as 作成場所s00900,TH2.OMTRKN as 得意先名s01500,"
        "MNA.NOU_NAME as 納品先名s01500,TH2.KEN as 明細件数B00900 "
        "From (Select SEIKYU_FLG,OMTRCD,OMTRKN,substr(OMYOB3,1,2) as CRPRI,substr(OMYOB3,-4) as NOUCD,"
        "Count(SEIKYU_FLG) as KEN From TBL_RD_H2 Group By SEIKYU_FLG,OMTRCD,OMTRKN,OMYOB3) TH2 "
        "Left Join MST_TCBASE MTC On TH2.CRPRI=MTC.BASE_CD "
        "Left Join MST_NOUADD MNA On TH2.OMTRCD=MNA.TOK_CD And TH2.NOUCD=MNA.NOU_CD "
        "Where Not TH2.SEIKYU_FLG='0' And Not TH2.SEIKYU_FLG='' Order By TH2.SEIKYU_FLG Desc");
}

QString orderListSql(const QString &request)
{
    return QStringLiteral("Select TH2.SEIKYU_FLG as 受注Nos00900,TH2.OMHCNO as 発注NOB00900,"
                          "MIN(TH2.OMHCDT) as 入力日D01000,MIN(TH2.OMNKDT) as 商品納期D01000,"
                          "Count(TH2.SEIKYU_FLG) as 明細件数L00900 "
                          "From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2 "
                          "Where TH2.SEIKYU_FLG=")
        + SqlText(request, false, true) + QStringLiteral("Group By TH2.SEIKYU_FLG,TH2.OMHCNO Order By TH2.OMHCNO");
}

RequestTagsOutcome writeRequestTags(Database &db, Dialogs &dialogs, const TagSettings &settings,
                                    const QString &request)
{
    RequestTagsOutcome out;
    const qint32 number = request.toInt();
    QList<KindCode> kinds;
    {
        Recordset rs = db.query(
            QStringLiteral("Select TH2.OMFUDA,TBD.ONNFKB,MHS.PB_FLG From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD "
                           "On TH2.INDEXNOH2=TBD.INDEXNOH2 Left Join MST_HUDASYU MHS On TH2.OMFUDA=MHS.HUDA_SYU "
                           "And TBD.ONNFKB=MHS.HUDA_KU Where TH2.SEIKYU_FLG=?")
            + QStringLiteral(" And Not TBD.ONNFKB='0' Group By TH2.SEIKYU_FLG,TH2.OMFUDA,TBD.ONNFKB"),
            {request});
        for (; !rs.eof(); rs.moveNext())
            kinds << KindCode{rs.text(0), rs.text(1), rs.text(0) == kPbKind || rs.text(2) == TagFlag::Pb};
    }

    auto run = [&](const QString &sql, const QString &name, bool pb) {
        clsHudaPrint print(db, settings);
        print.setSQL(sql);
        const int r = print.Nehuda_EX(name, pb, number);
        if (r == clsHudaPrint::Written) {
            TagIssue::stampWritten(db, print.OKMeisai());
            out.files << print.dataFile();
            out.lines += int(print.OKMeisai().size());
            return;
        }
        TagIssue::reportExportResult(dialogs, r, false);
        if (r == clsHudaPrint::NoRows)
            ++out.empty;
        else
            ++out.failures;
    };

    // Every kind and type gets its run whatever became of the one before.
    for (const KindCode &k : kinds) {
        try {
            if (!k.pb) {
                run(TagIssue::requestKindTagSql(request, k.kind, k.code), k.kind + k.code, false);
                continue;
            }
            QStringList types;
            {
                Recordset rs = db.query(TagIssue::requestPbTypesSql(request, k.kind, k.code));
                for (; !rs.eof(); rs.moveNext())
                    types << rs.text(0);
            }
            // Lines the PB master does not know cannot be written: said once for the kind.
            if (types.isEmpty()) {
                TagIssue::reportExportResult(dialogs, clsHudaPrint::NoRows, false);
                ++out.empty;
            }
            for (const QString &type : types)
                run(TagIssue::requestPbTagSql(request, k.kind, k.code, type), type, true);
        } catch (const DbError &e) {
            TagIssue::reportExportResult(dialogs, e.number(), false);
            ++out.failures;
        }
    }
    return out;
}

} // namespace RequestTags
