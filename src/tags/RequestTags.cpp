#include "tags/RequestTags.h"

#include "store/Database.h"
#include "store/Literals.h"
#include "store/SafeName.h"
#include "store/Dialogs.h"
#include "tags/TagIssue.h"
#include "tags/clsHudaPrint.h"

#include <QList>
#include <QSet>

#include <algorithm>

namespace {

// One data file of a request: the query of its lines and its base name.
struct RequestRun {
    QString sql;
    QString name;
    bool pb = false;
};

// The base name of a request's data file (and of its record's last field):
// the tag kind and code of ordinary tags, the PB tag type of PB tags.
QString dataFileName(const QString &kindOrType, const QString &code = QString())
{
    return kindOrType + code;
}

// The request's runs in the order of its tag kinds: one per ordinary kind
// and code, and, where the first PB kind stands, one per PB tag type over
// every PB line of the request, so that PB kinds sharing a type share its
// file. `unknownPbKinds` counts the PB kinds and codes without a line of a
// known type: those lines cannot be written.
QList<RequestRun> planRuns(Database &db, const QString &request, int &unknownPbKinds)
{
    struct KindCode {
        QString kind, code;
        bool pb = false;
    };
    QList<KindCode> kinds;
    {
        Recordset rs = db.query(
            QStringLiteral("Select TH2.OMFUDA,TBD.ONNFKB,max(MHS.PB_FLG) as PB_FLG From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD "
                           "On TH2.INDEXNOH2=TBD.INDEXNOH2 Left Join MST_HUDASYU MHS On TH2.OMFUDA=MHS.HUDA_SYU "
                           "And TBD.ONNFKB=MHS.HUDA_KU Where TH2.SEIKYU_FLG=?")
                + QStringLiteral(" And Not TBD.ONNFKB='0' Group By TH2.SEIKYU_FLG,TH2.OMFUDA,TBD.ONNFKB "
                                 "Order By TH2.OMFUDA,TBD.ONNFKB"),
            {request});
        for (; !rs.eof(); rs.moveNext())
            kinds << KindCode{rs.text(0), rs.text(1), rs.text(0) == TagKind::ChainPb || rs.text(2) == TagFlag::Pb};
    }

    QList<RequestRun> runs;
    bool pbPlanned = false;
    unknownPbKinds = 0;
    for (const KindCode &k : kinds) {
        if (!k.pb) {
            runs << RequestRun{TagIssue::requestKindTagSql(request, k.kind, k.code), dataFileName(k.kind, k.code), false};
            continue;
        }
        if (pbPlanned)
            continue;
        pbPlanned = true;
        QList<qint64> types;
        QSet<QString> typed, all;
        Recordset rs = db.query(TagIssue::requestPbTypesSql(request));
        for (; !rs.eof(); rs.moveNext()) {
            const QString kindCode = rs.text(0) + QLatin1Char('\x1f') + rs.text(1);
            all << kindCode;
            if (rs.field(2).isNull())
                continue;
            typed << kindCode;
            const qint64 type = rs.field(2).toLongLong();
            if (!types.contains(type))
                types << type;
        }
        std::sort(types.begin(), types.end());
        unknownPbKinds = int(all.size() - typed.size());
        for (const qint64 type : types)
            runs << RequestRun{TagIssue::requestPbTagSql(request, QString::number(type)),
                               dataFileName(QString::number(type)), true};
    }
    return runs;
}

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
    int unknownPbKinds = 0;
    const QList<RequestRun> runs = planRuns(db, request, unknownPbKinds);
    // Lines the PB master does not know cannot be written: said once per kind.
    for (int i = 0; i < unknownPbKinds; ++i) {
        TagIssue::reportExportResult(dialogs, clsHudaPrint::NoRows, false);
        ++out.empty;
    }

    // A file written by this run is the only record of the lines it
    // stamped: a later run of the same name would replace it and leave
    // those lines stamped but in no file, so it is refused instead.
    QSet<QString> written;
    // Every kind and type gets its run whatever became of the one before.
    for (const RequestRun &r : runs) {
        // Names are compared as files: made fit ("1:" and "1_" are both 1_.CSV)
        // and without regard to case.
        const QString file = SafeName::made(r.name + QStringLiteral(".CSV"));
        const QString key = file.toCaseFolded();
        if (written.contains(key)) {
            dialogs.error(QStringLiteral("%1 はこの依頼で既に書き出した札データと同じ名前になるため、書き出しませんでした。")
                              .arg(file),
                          QStringLiteral("エラー"));
            ++out.failures;
            continue;
        }
        try {
            clsHudaPrint print(db, settings);
            print.setSQL(r.sql);
            const int result = print.Nehuda_EX(r.name, r.pb, number);
            if (result == clsHudaPrint::Written) {
                written << key;
                out.files << print.dataFile();
                TagIssue::stampWritten(db, print.OKMeisai());
                out.lines += int(print.OKMeisai().size());
                continue;
            }
            TagIssue::reportExportResult(dialogs, result, false);
            if (result == clsHudaPrint::NoRows)
                ++out.empty;
            else
                ++out.failures;
        } catch (const DbError &e) {
            TagIssue::reportExportResult(dialogs, e.number(), false);
            ++out.failures;
        }
    }
    return out;
}

} // namespace RequestTags
