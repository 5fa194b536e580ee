// bench_print: prints a generated batch of 1,000 delivery slips and 50
// assortment lists of 180 stores by 100 items to PDF with the installed
// forms, and reports pages per second and the share of the time the
// database took. Not a test: run it by hand on a quiet machine.
//
//   bench_print [--keep DIR] [--only slips|lists]
//
// --keep leaves the data folder and the PDFs in DIR; --only runs one half.

#include "slips/PrintRecordset.h"
#include "slips/Printout.h"
#include "slips/QtFormRenderer.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/DataFolder.h"
#include "store/Database.h"
#include "store/Connection.h"
#include "store/Dialogs.h"
#include "support/QuietDialogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <cstdio>

namespace {

constexpr int Slips = 1000;
constexpr int LinesPerSlip = 4;
constexpr int Lists = 50;
constexpr int StoresPerList = 180;
constexpr int ItemsPerList = 100;

// Time spent inside SQLite statements, from the engine's own profile.
qint64 g_sqlNanoseconds = 0;

int profile(unsigned type, void *, void *, void *x)
{
    if (type == SQLITE_TRACE_PROFILE)
        g_sqlNanoseconds += *static_cast<sqlite3_int64 *>(x);
    return 0;
}

QString digits(qint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

void generate(Database &db, bool slips, bool lists)
{
    Transaction tx(db);
    for (int h1 : {1, 2}) {
        db.execute(QStringLiteral("Insert Into TBL_RD_H1(INDEXNOH1,OLDATE) Values(?,?)"), {h1, QStringLiteral("261201")});
        db.execute(QStringLiteral("Insert Into TBL_FLG_DATA(INDEXNOH1,IMPORT_DATE) Values(?,?)"),
                   {h1, QStringLiteral("261201")});
    }
    Statement head = db.prepare(QStringLiteral(
        "Insert Into TBL_RD_H2(INDEXNOH1,INDEXNOH2,OMDNNO,OMDNCK,OMMSCD,OMMSKN,OMGNCD,OMHCDT,OMNKDT,OMTRCD,OMTRKN,"
        "OMHCKB,OMFUDA,OMOPYY,OMOPMM,OMTCD2,OMMDNO,OMHCNO,OMBYKN,OMOLDT,OMSLDT,DEN_EXP_CHECK) "
        "Values(?,?,?,?,?,?,'0101','261201','261215','123456','ｶ)ﾄﾊﾞﾘ ｱﾊﾟﾚﾙ','0','1','26','12','012','07',?,"
        "'ﾀﾅｶ ｲﾁﾛｳ','261210','270228','0')"));
    Statement line = db.prepare(QStringLiteral(
        "Insert Into TBL_RD_BD(INDEXNOH1,INDEXNOH2,INDEXNOBD,ONLINE,ONGNCD,ONHNCD,ONSKU,ONSURY,ONGTNK,ONBTNK,ONGENJ,"
        "ONBAIJ,ONSYGN,ONSYKN,ONSZKN,ONCLKN,ONKBIK,ONCLCD,ONSYKB,ONNFKB,ONSURYM) "
        "Values(?,?,?,?,'0101','01',?,?,?,?,?,?,?,'ﾊｲﾈｯｸﾆｯﾄ ｾｰﾀｰ','M','ｸﾛ','002900','09','10','1',?)"));
    int h2 = 0;
    int bd = 0;
    auto addSlip = [&](int h1, int store, const QString &order) {
        ++h2;
        head.bindInt(1, h1);
        head.bindInt(2, h2);
        head.bindText(3, digits(300000 + h2, 6));
        head.bindText(4, QString::number(h2 % 7));
        head.bindText(5, digits(store, 3));
        head.bindText(6, QStringLiteral("ﾃﾝﾎﾟ%1").arg(store));
        head.bindText(7, order);
        head.execute();
    };
    auto addLine = [&](int h1, int position, int item, int ordered, int delivered) {
        ++bd;
        const qint64 gtnk = 120050 + 1000 * item;
        const qint64 btnk = 1980 + 10 * item;
        line.bindInt(1, h1);
        line.bindInt(2, h2);
        line.bindInt(3, bd);
        line.bindText(4, digits(position, 2));
        line.bindText(5, digits(100000 + item, 6));
        line.bindText(6, digits(delivered, 6));
        line.bindText(7, digits(gtnk, 9));
        line.bindText(8, digits(btnk, 7));
        line.bindText(9, digits(delivered * gtnk / 1000, 10));
        line.bindText(10, digits(delivered * btnk / 10, 10));
        line.bindText(11, QStringLiteral("AB-%1-01").arg(item, 4, 10, QLatin1Char('0')));
        line.bindText(12, digits(ordered, 6) + digits(btnk, 7) + (ordered == delivered ? QLatin1Char('N') : QLatin1Char('Y')));
        line.execute();
    };
    // Batch 1: the slips, one corrected line on every fifth slip.
    for (int s = 0; s < (slips ? Slips : 0); ++s) {
        addSlip(1, 100 + s % StoresPerList, digits(1000000 + s / 20, 7));
        for (int n = 1; n <= LinesPerSlip; ++n)
            addLine(1, n, n, 10 * n, (s % 5 == 0 && n == 1) ? 5 : 10 * n);
    }
    // Batch 2: the assortment lists. A store's items fill as many slips as
    // they need, six lines each, as the import leaves them.
    for (int o = 0; o < (lists ? Lists : 0); ++o) {
        const QString order = digits(2000000 + o, 7);
        for (int s = 0; s < StoresPerList; ++s) {
            for (int i = 0; i < ItemsPerList; ++i) {
                if (i % 6 == 0)
                    addSlip(2, 100 + s, order);
                addLine(2, i % 6 + 1, i, 10 + (s + i) % 40, 10 + (s + i) % 40);
            }
        }
    }
    tx.commit();
}

struct Figures {
    int pages = 0;
    double seconds = 0;
    double sqlSeconds = 0;
};

Figures run(Database &db, Dialogs &dialogs, const QString &pdf, const QString &sql, bool slips)
{
    QtFormRenderer::Options o;
    o.pdfFile = pdf;
    o.printers = PrinterCatalog{};
    QtFormRenderer renderer(o);
    NoStopProgress progress;
    PrintContext ctx{db, dialogs, renderer, progress};
    g_sqlNanoseconds = 0;
    QElapsedTimer t;
    t.start();
    PrintRecordset rows(db, sql);
    Figures f;
    const PrintRunResult r = Printout(ctx, rows, slips);
    if (r.error != 0)
        throw DbError(r.error, r.errorText);
    f.pages = r.pages;
    f.seconds = t.nsecsElapsed() / 1e9;
    f.sqlSeconds = g_sqlNanoseconds / 1e9;
    return f;
}

void report(QTextStream &out, const char *what, const Figures &f, const QString &pdf)
{
    out << QStringLiteral("%1: %2 pages in %3 s = %4 pages/s; database %5 s (%6 %); PDF %7 kB")
               .arg(QLatin1String(what))
               .arg(f.pages)
               .arg(f.seconds, 0, 'f', 2)
               .arg(f.pages / f.seconds, 0, 'f', 0)
               .arg(f.sqlSeconds, 0, 'f', 2)
               .arg(100.0 * f.sqlSeconds / f.seconds, 0, 'f', 0)
               .arg(QFileInfo(pdf).size() / 1024)
        << Qt::endl;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);

    QTemporaryDir temp;
    QString folder = temp.path();
    const QStringList args = app.arguments();
    const qsizetype keep = args.indexOf(QStringLiteral("--keep"));
    if (keep > 0 && keep + 1 < args.size()) {
        folder = QFileInfo(args[keep + 1]).absoluteFilePath();
        QDir(folder).removeRecursively();
    }
    const qsizetype only = args.indexOf(QStringLiteral("--only"));
    const QString half = only > 0 && only + 1 < args.size() ? args[only + 1] : QString();
    const bool slips = half != QLatin1String("lists");
    const bool lists = half != QLatin1String("slips");
    AppFolder::setPath(folder);
    Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 30)));
    QuietDialogs dialogs;
    try {
        DataFolder::prepare();
        QDir().mkpath(AppFolder::file(QStringLiteral("COR")));
        for (const char *form : {"COR/TA2.crf", "COR/AS.crf"})
            QFile::copy(QStringLiteral(TOBARI_DATA_DIR "/") + QLatin1String(form), AppFolder::file(QLatin1String(form)));
        if (OpenDatabase(true) != 0)
            return 1;
        Database &db = RequireConnection();

        QElapsedTimer t;
        t.start();
        generate(db, slips, lists);
        out << QStringLiteral("generated %1 slips and %2 lists of %3 stores x %4 items in %5 s")
                   .arg(slips ? Slips : 0)
                   .arg(lists ? Lists : 0)
                   .arg(StoresPerList)
                   .arg(ItemsPerList)
                   .arg(t.nsecsElapsed() / 1e9, 0, 'f', 1)
            << Qt::endl;

        sqlite3_trace_v2(db.handle(), SQLITE_TRACE_PROFILE, profile, nullptr);
        const QString slipsPdf = AppFolder::file(QStringLiteral("slips.pdf"));
        if (slips)
            report(out, "slips", run(db, dialogs, slipsPdf, QStringLiteral("Select * From TBL_RD_H2 Where INDEXNOH1=1 And OMHCKB='0' "), true),
               slipsPdf);
        const QString listsPdf = AppFolder::file(QStringLiteral("lists.pdf"));
        if (lists)
            report(out, "lists",
               run(db, dialogs, listsPdf,
                   QStringLiteral("Select TH2.OMHCNO,TH2.OMTRCD,TH2.OMTRKN,TH2.OMTCD2,TH2.OMGNCD,TH2.OMNKDT,TH2.OMOPYY,"
                                  "TH2.OMOPMM,TH2.OMOLDT,TH2.OMSLDT,TH2.OMMDNO,TH2.OMBYKN,TH2.OMHCKB,TH2.OMFUDA,"
                                  "TH2.INDEXNOH1 From TBL_RD_H2 TH2 Where TH2.INDEXNOH1=2 Group By TH2.OMHCNO,"
                                  "TH2.OMTRCD,TH2.OMTRKN,TH2.OMTCD2,TH2.OMGNCD,TH2.OMNKDT,TH2.OMOPYY,TH2.OMOPMM,"
                                  "TH2.OMOLDT,TH2.OMSLDT,TH2.OMMDNO,TH2.OMBYKN,TH2.OMHCKB,TH2.OMFUDA,TH2.INDEXNOH1 "),
                   false),
               listsPdf);
        sqlite3_trace_v2(db.handle(), 0, nullptr, nullptr);

        // How the engine finds the lines of one list.
        Recordset plan = db.query(QStringLiteral(
            "Explain Query Plan Select TBD.ONSKU,TBD.ONSYGN,TBD.ONCLCD,TBD.ONCLKN,TBD.ONSZKN,TBD.ONSYKN,TBD.ONHNCD,"
            "TBD.ONSYKB,TBD.ONGTNK,TBD.ONBTNK,TBD.ONKBIK,TBD.ONNFKB,TH2.OMMSCD,TBD.ONSURY*1 "
            "From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2 "
            "Where TH2.OMHCNO='2000000' And TH2.OMTRCD='123456' And TH2.INDEXNOH1=2"));
        for (; !plan.eof(); plan.moveNext())
            out << QStringLiteral("lines of a list: ") << plan.text(3) << Qt::endl;
        OpenDatabase(false);
    } catch (const DbError &e) {
        std::fprintf(stderr, "error %d: %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    return 0;
}
