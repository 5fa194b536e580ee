// bench_workbook: fills the consignment detail with generated tagged lines
// and reports the time of the run (gathering, the workbook, the marks) and
// the peak memory of the process. Not a test: run it by hand on a quiet
// machine.
//
//   bench_workbook [--keep DIR] [LINES...]     (default 10000 100000 1000000)
//
// Each count runs in a process of its own, so that one run's peak does not
// hide the next one's. --keep leaves the last data folder and workbook in DIR.

#include "billing/ConsignmentDetail.h"
#include "store/AppFolder.h"
#include "store/ChangeMarker.h"
#include "store/Clock.h"
#include "store/Connection.h"
#include "store/DataFolder.h"
#include "store/Database.h"
#include "store/Dialogs.h"
#include "store/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <cstdio>

namespace {

class QuietDialogs : public Dialogs {
public:
    MsgResult message(const QString &text, const QString &, MsgIcon, MsgButtons, MsgResult) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return MsgResult::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return std::nullopt; }
    QString openFile(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFolder(const QString &, const QString &) override { return {}; }
};

double peakMegabytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0; // kilobytes on Linux
}

// Processor time of the process so far: on a shared machine the elapsed
// time also counts the other programs.
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString digits(qint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Slips of ten lines, five tag kinds, twenty partners, tag dates spread
// over a month: texts that repeat (tags, partners, sizes) and texts that
// do not (orders, slips, products).
void generate(Database &db, int lines)
{
    Transaction tx(db);
    // The tag kinds of the generated lines, with their fees, in place of
    // the default master's.
    db.execute(QStringLiteral("Delete From MST_HUDASYU Where HUDA_KU='1' And HUDA_SYU In ('1','2','3','4','5')"));
    for (int kind = 1; kind <= 5; ++kind)
        db.execute(QStringLiteral("Insert Into MST_HUDASYU(HUDA_SYU,HUDA_KU,HUDA_NAME,PB_FLG,SAGYOU_DAI) Values(?,?,?,0,?)"),
                   {QString::number(kind), QStringLiteral("1"), QStringLiteral("ﾌﾟﾛﾊﾟｰ値札%1").arg(kind), 5 * kind});
    Statement head = db.prepare(QStringLiteral(
        "Insert Into TBL_RD_H2(INDEXNOH1,INDEXNOH2,OMDNNO,OMHCNO,OMFUDA,OMTRCD,OMTRKN) Values(1,?,?,?,?,?,?)"));
    Statement line = db.prepare(QStringLiteral(
        "Insert Into TBL_RD_BD(INDEXNOH1,INDEXNOH2,INDEXNOBD,ONLINE,ONSYKN,ONSZKN,ONCLKN,ONSURY,ONBTNK,ONNFKB,"
        "TAG_OP_DATE,ONSURYM) Values(1,?,?,?,?,?,?,?,'0001980','1',?,?)"));
    static const char *const sizes[] = {"S", "M", "L", "LL", "3L"};
    static const char *const colours[] = {"ｸﾛ", "ｼﾛ", "ｱｶ", "ﾈｲﾋﾞｰ", "ﾍﾞｰｼﾞｭ", "ﾁｬｺｰﾙｸﾞﾚｰ"};
    const int slips = (lines + 9) / 10;
    int bd = 0;
    for (int s = 1; s <= slips; ++s) {
        const int partner = s % 20;
        head.bindInt(1, s);
        head.bindText(2, digits(s, 6));
        head.bindText(3, digits(7000000 + s / 4, 7));
        head.bindText(4, QString::number(1 + s % 5));
        head.bindText(5, digits(100000 + partner, 6));
        head.bindText(6, QStringLiteral("ﾄﾊﾞﾘｼｮｳｼﾞ ｼﾃﾝ%1").arg(partner));
        head.execute();
        for (int n = 1; n <= 10 && bd < lines; ++n) {
            ++bd;
            const QString sury = digits(10 * (1 + bd % 12) + (bd % 7 == 0 ? 5 : 0), 6);
            line.bindInt(1, s);
            line.bindInt(2, bd);
            line.bindText(3, digits(n, 2));
            line.bindText(4, QStringLiteral("ﾊｲﾈｯｸﾆｯﾄ ｾｰﾀｰ 品番%1").arg(bd % 5000, 4, 10, QLatin1Char('0')));
            line.bindText(5, QString::fromUtf8(sizes[bd % 5]));
            line.bindText(6, QString::fromUtf8(colours[bd % 6]));
            line.bindText(7, sury);
            line.bindText(8, QStringLiteral("2611") + digits(1 + bd % 28, 2));
            line.bindText(9, ChangeMarker::make(sury, QStringLiteral("0001980")));
            line.execute();
        }
    }
    tx.commit();
}

int runOne(const QString &folder, int lines)
{
    AppFolder::setPath(folder);
    Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 30)));
    QuietDialogs dialogs;
    QTextStream out(stdout);
    try {
        DataFolder::prepare();
        QDir().mkpath(AppFolder::file(QStringLiteral("COR")));
        QFile::copy(QStringLiteral(TOBARI_TEMPLATE_DIR "/COR/SeikyuMeisai"), AppFolder::file(QStringLiteral("COR/SeikyuMeisai")));
        Settings::write(SettingKey::WritePath, AppFolder::file(QStringLiteral("out")));
        if (OpenDatabase(true) != 0)
            return 1;
        Database &db = RequireConnection();
        generate(db, lines);
        const double before = peakMegabytes();
        const double cpuBefore = cpuSeconds();

        QElapsedTimer t;
        t.start();
        const ConsignmentResult r = writeConsignmentDetail(db, dialogs, QStringLiteral("261210"));
        const double seconds = t.nsecsElapsed() / 1e9;
        const double cpu = cpuSeconds() - cpuBefore;
        if (r.status != 0 || r.lines != lines) {
            std::fprintf(stderr, "wrote %d lines of %d\n", r.lines, lines);
            return 1;
        }
        out << QStringLiteral("| %L1 | %2 s | %3 s | %4 MB | %5 MB | %6 MB |")
                   .arg(lines)
                   .arg(seconds, 0, 'f', 2)
                   .arg(cpu, 0, 'f', 2)
                   .arg(peakMegabytes(), 0, 'f', 1)
                   .arg(before, 0, 'f', 1)
                   .arg(QFileInfo(r.path).size() / 1e6, 0, 'f', 1)
            << Qt::endl;
        OpenDatabase(false);
    } catch (const DbError &e) {
        std::fprintf(stderr, "error %d: %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString keep;
    if (const qsizetype at = args.indexOf(QStringLiteral("--keep")); at >= 0 && at + 1 < args.size()) {
        keep = QFileInfo(args[at + 1]).absoluteFilePath();
        args.remove(at, 2);
    }
    if (const qsizetype at = args.indexOf(QStringLiteral("--child")); at >= 0 && at + 2 < args.size())
        return runOne(args[at + 1], args[at + 2].toInt());

    if (args.isEmpty())
        args = {QStringLiteral("10000"), QStringLiteral("100000"), QStringLiteral("1000000")};
    QTextStream out(stdout);
    out << "| lines | run | processor | peak memory | before the run | workbook |" << Qt::endl
        << "|---:|---:|---:|---:|---:|---:|" << Qt::endl;
    for (const QString &count : args) {
        QTemporaryDir temp;
        QString folder = temp.path();
        if (!keep.isEmpty()) {
            folder = keep;
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {QStringLiteral("--child"), folder, count});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            std::fprintf(stderr, "the run of %s lines failed\n", qPrintable(count));
            return 1;
        }
    }
    return 0;
}
