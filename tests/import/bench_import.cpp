// How fast the order import is, measured against the floor of the same
// work done by hand: prepared inserts of the same rows into the staging
// tables and the four set-based copies, in one transaction. Not a test.
//   bench_import [--repeat N] [RECORDS...]   (default: 3 runs of 100000 and 1000000)
// For each size: generates an order file (two file headers, slips of 19
// lines), imports it through OrderImport with the confirmation answered,
// then measures the floor in a fresh database. Prints records per second,
// peak resident memory and the ratio import / floor, each the best of N
// runs (the machine is shared; the best run is the one least disturbed),
// and the longest single statement of the import (the longest time the
// window could not repaint), the worst seen in any run, with its text;
// then the same for importing the file a second time into the same folder,
// which first empties the staging tables the first import filled.

#include "import/ImportProgress.h"
#include "import/OrderImport.h"
#include "store/AppFolder.h"
#include "store/Cp932.h"
#include "store/DataFolder.h"
#include "store/Connection.h"
#include "store/Dialogs.h"
#include "store/OrderLayout.h"
#include "store/StatementWatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int LinesPerSlip = 19;

class AnswerOk : public Dialogs {
public:
    MsgResult message(const QString &text, const QString &, MsgIcon, MsgButtons, MsgResult) override
    {
        if (!text.startsWith(QStringLiteral("以下の情報")))
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return MsgResult::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QString openFile(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFolder(const QString &, const QString &) override { return {}; }
};

// Lets events run like the window does, so that their cost is measured.
class EventProgress : public QuietProgress {
public:
    void processEvents() override
    {
        ++calls;
        QCoreApplication::processEvents();
    }
    int calls = 0;
};

// ------------------------------------------------------------ memory

void resetPeakMemory()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double peakMemoryMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// ------------------------------------------------------------ the rows

// The field values of one record as UTF-8, in layout order.
using Values = std::vector<QByteArray>;

using Given = std::initializer_list<std::pair<const char *, QString>>;

template <size_t N>
Values blankValues(const std::array<OrderField, N> &layout, Given given)
{
    Values v;
    for (const OrderField &f : layout) {
        QByteArray value;
        for (const auto &[name, text] : given)
            if (std::string(name) == f.name)
                value = text.toUtf8();
        v.push_back(value);
    }
    return v;
}

int indexOf(std::span<const OrderField> layout, const char *name)
{
    for (size_t i = 0; i < layout.size(); ++i)
        if (std::string(layout[i].name) == name)
            return int(i);
    return -1;
}

QByteArray digits(qint64 n, int width)
{
    return QByteArray::number(n).rightJustified(width, '0', true);
}

// Every record of the benchmark file, in file order.
class Generator {
public:
    explicit Generator(qint64 records)
    {
        slips_ = std::max<qint64>(records / (LinesPerSlip + 1), 2);
        header_ = blankValues(OrderLayout::H1, {{"OLREKB", "A"}, {"OLHJCD", "01"}, {"OLOPDT", "250301"},
                                                {"OLOPTM", "093000"}, {"OLDATE", "250301"}, {"OLRSIZ", "128"}});
        slip_ = blankValues(OrderLayout::H2,
                            {{"OMREKB", "B"}, {"OMHJCD", "01"}, {"OMMSCD", "123"}, {"OMGNCD", "0042"},
                             {"OMHCDT", "250228"}, {"OMNKDT", "250310"}, {"OMTRCD", "004455"},
                             {"OMTRKN", QString::fromUtf16(u"株式会社トバリ商事")},
                             {"OMMSKN", QString::fromUtf16(u"渋谷店")}, {"OMHCKB", "0"}, {"OMFUDA", "1"},
                             {"OMTCD2", "101"}, {"OMBYKN", QString::fromUtf16(u"ｻﾄｳ")}, {"OMYOB3", "010012"}});
        line_ = blankValues(OrderLayout::BD,
                            {{"ONREKB", "D"}, {"ONHJCD", "01"}, {"ONGNCD", "0042"}, {"ONHNCD", "01"},
                             {"ONGTNK", "000099000"}, {"ONBTNK", "0001980"}, {"ONSYGN", "AB-1234-567"},
                             {"ONSYKN", QString::fromUtf16(u"紳士ポロシャツ")}, {"ONSZKN", QString::fromUtf16(u"Ｌ")},
                             {"ONCLKN", QString::fromUtf16(u"ｸﾛ")}, {"ONCLCD", "09"}, {"ONNFKB", "1"}});
    }

    qint64 records() const { return 2 + slips_ * (LinesPerSlip + 1); }

    // Calls `sink(kind, values)` for every record in file order.
    template <class F>
    void each(F sink)
    {
        const int page = indexOf(OrderLayout::H1, "OLPAGE");
        const int lineCount = indexOf(OrderLayout::H1, "OLLINE");
        const int slipNo = indexOf(OrderLayout::H2, "OMDNNO");
        const int lineNo = indexOf(OrderLayout::BD, "ONLINE");
        const int sku = indexOf(OrderLayout::BD, "ONSKU");
        const int qty = indexOf(OrderLayout::BD, "ONSURY");
        const int amount = indexOf(OrderLayout::BD, "ONBAIJ");
        qint64 n = 0;
        for (int h = 0; h < 2; ++h) {
            const qint64 slips = h == 0 ? slips_ / 2 : slips_ - slips_ / 2;
            header_[size_t(page)] = digits(slips, 5);
            header_[size_t(lineCount)] = digits(slips * LinesPerSlip, 5);
            sink('A', header_);
            for (qint64 s = 0; s < slips; ++s) {
                slip_[size_t(slipNo)] = digits(++n, 6);
                sink('B', slip_);
                for (int l = 1; l <= LinesPerSlip; ++l) {
                    line_[size_t(lineNo)] = digits(l, 2);
                    line_[size_t(sku)] = digits(100000 + (n * 7 + l) % 900000, 6);
                    line_[size_t(qty)] = digits(10 * (1 + l % 5), 6);
                    line_[size_t(amount)] = digits(1980 * (1 + l % 5), 10);
                    sink('D', line_);
                }
            }
        }
    }

private:
    qint64 slips_;
    Values header_, slip_, line_;
};

QByteArray encodeRecord(std::span<const OrderField> layout, const Values &values)
{
    QByteArray out;
    out.reserve(OrderLayout::RecordLength + 2);
    for (size_t i = 0; i < layout.size(); ++i) {
        const QByteArray b = cp932::encode(QString::fromUtf8(values[i]));
        out += b.leftJustified(layout[i].width, ' ', true);
    }
    return out + "\r\n";
}

void writeOrderFile(const QString &path, Generator &gen)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray buffer;
    gen.each([&](char kind, const Values &v) {
        buffer += encodeRecord(kind == 'A' ? std::span<const OrderField>(OrderLayout::H1)
                               : kind == 'B' ? std::span<const OrderField>(OrderLayout::H2)
                                             : std::span<const OrderField>(OrderLayout::BD),
                               v);
        if (buffer.size() > (1 << 20)) {
            f.write(buffer);
            buffer.clear();
        }
    });
    f.write(buffer);
}

// ------------------------------------------------------------ runs

Database &freshDatabase(const QString &folder)
{
    QDir().mkpath(folder);
    AppFolder::setPath(folder);
    DataFolder::prepare();
    AnswerOk d;
    if (OpenDatabase(true) != 0)
        qFatal("cannot open the database in %s", qPrintable(folder));
    return RequireConnection();
}

template <size_t N>
QString columns(const std::array<OrderField, N> &layout, const char *extra)
{
    QStringList names;
    for (const OrderField &f : layout)
        names << QString::fromLatin1(f.name);
    return names.join(',') + QLatin1Char(',') + QString::fromLatin1(extra);
}

QString marks(int n)
{
    QStringList m;
    for (int i = 0; i < n; ++i)
        m << QStringLiteral("?");
    return m.join(',');
}

// The same rows by hand: no file, no cutting, no decoding, numbers counted.
double runFloor(Generator &gen)
{
    Database &db = RequireConnection();
    QElapsedTimer t;
    t.start();
    Transaction tx(db);
    db.execute(QStringLiteral("Delete From IMP_RD_H1"));
    db.execute(QStringLiteral("Delete From IMP_RD_H2"));
    db.execute(QStringLiteral("Delete From IMP_RD_BD"));
    const QString h1 = columns(OrderLayout::H1, "INDEXNOH1");
    const QString h2 = columns(OrderLayout::H2, "INDEXNOH1,INDEXNOH2");
    const QString bd = columns(OrderLayout::BD, "INDEXNOH1,INDEXNOH2,INDEXNOBD");
    Statement ih1 = db.prepare(QStringLiteral("Insert Into IMP_RD_H1(%1) Values(%2)").arg(h1, marks(18)));
    Statement ih2 = db.prepare(QStringLiteral("Insert Into IMP_RD_H2(%1) Values(%2)").arg(h2, marks(32)));
    Statement ibd = db.prepare(QStringLiteral("Insert Into IMP_RD_BD(%1) Values(%2)").arg(bd, marks(24)));
    qint32 nh1 = 0, nh2 = 0, nbd = 0;
    gen.each([&](char kind, const Values &v) {
        Statement &st = kind == 'A' ? ih1 : kind == 'B' ? ih2 : ibd;
        for (size_t i = 0; i < v.size(); ++i)
            st.bindUtf8(int(i) + 1, v[i].constData(), int(v[i].size()));
        const int n = int(v.size());
        if (kind == 'A') {
            st.bindInt(n + 1, ++nh1);
        } else if (kind == 'B') {
            st.bindInt(n + 1, nh1);
            st.bindInt(n + 2, ++nh2);
        } else {
            st.bindInt(n + 1, nh1);
            st.bindInt(n + 2, nh2);
            st.bindInt(n + 3, ++nbd);
        }
        st.execute();
    });
    db.execute(QStringLiteral("Insert Into TBL_FLG_DATA(INDEXNOH1,IMPORT_DATE,IMPORT_TIME,INJI_OP_DATE,"
                              "SHINAZOROE_OP_DATE,DENPYOU_OP_DATE,SEIKYU_OP_DATE) "
                              "Select INDEXNOH1,'250304','130509','','','','' From IMP_RD_H1"));
    db.execute(QStringLiteral("Insert Into TBL_RD_H1(%1) Select %1 From IMP_RD_H1").arg(h1));
    db.execute(QStringLiteral("Insert Into TBL_RD_H2(%1,DEN_EXP_CHECK) Select %1,'0' From IMP_RD_H2").arg(h2));
    db.execute(QStringLiteral("Insert Into TBL_RD_BD(%1,TAG_OP_DATE,ONSURYM) Select %1,'',ONSURY || ONBTNK || 'N' "
                              "From IMP_RD_BD")
                   .arg(bd));
    tx.commit();
    return t.elapsed() / 1000.0;
}

struct Measured {
    double seconds = 0;
    double peakMb = 0;
    int events = 0;
    StatementWatch::Longest longest;
};

// `again`: the file is imported once before the measured import, so that
// the measured one starts by emptying the staging tables of a large file.
Measured measureImport(const QString &folder, const QString &file, bool events, bool again = false)
{
    Database &db = freshDatabase(folder);
    if (again) {
        AnswerOk ok;
        QuietProgress none;
        if (OrderImport(db, ok, none).run(file) != 0)
            qFatal("the first import failed");
    }
    AnswerOk dialogs;
    EventProgress eventProgress;
    QuietProgress quiet;
    resetPeakMemory();
    QElapsedTimer t;
    t.start();
    OrderImport op(db, dialogs, events ? static_cast<ImportProgress &>(eventProgress) : quiet);
    StatementWatch::start();
    const int result = op.run(file);
    StatementWatch::stop();
    Measured m{t.elapsed() / 1000.0, peakMemoryMb(), eventProgress.calls, StatementWatch::longest()};
    if (result != 0)
        qFatal("import failed with %d", result);
    OpenDatabase(false);
    return m;
}

Measured measureFloor(const QString &folder, Generator &gen)
{
    freshDatabase(folder);
    resetPeakMemory();
    Measured m;
    m.seconds = runFloor(gen);
    m.peakMb = peakMemoryMb();
    OpenDatabase(false);
    return m;
}

// Keeps the fastest run; peak memory and the longest statement are the
// worst seen in any run.
void best(Measured &kept, const Measured &run, int index)
{
    const double peak = std::max(kept.peakMb, run.peakMb);
    const StatementWatch::Longest longest =
        run.longest.nanoseconds > kept.longest.nanoseconds ? run.longest : kept.longest;
    if (index == 0 || run.seconds < kept.seconds)
        kept = run;
    kept.peakMb = peak;
    kept.longest = longest;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<qint64> sizes;
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--repeat" && i + 1 < argc)
            repeat = std::max(1, QByteArray(argv[++i]).toInt());
        else
            sizes << QByteArray(argv[i]).toLongLong();
    }
    if (sizes.isEmpty())
        sizes = {100'000, 1'000'000};

    QTemporaryDir dir;
    std::printf("%10s %8s %10s %12s %10s %10s %10s %8s %12s %14s\n", "records", "file MB", "import s", "records/s",
                "peak MB", "floor s", "floor MB", "ratio", "no events s", "longest ms");
    for (qint64 n : sizes) {
        Generator gen(n);
        const QString file = dir.filePath(QStringLiteral("order-%1.txt").arg(n));
        writeOrderFile(file, gen);
        const double fileMb = QFileInfo(file).size() / 1048576.0;

        Measured floor, imp, quiet, second;
        for (int r = 0; r < repeat; ++r) {
            const QString tag = QStringLiteral("%1-%2").arg(n).arg(r);
            best(floor, measureFloor(dir.filePath(QStringLiteral("floor-") + tag), gen), r);
            best(imp, measureImport(dir.filePath(QStringLiteral("import-") + tag), file, true), r);
            best(quiet, measureImport(dir.filePath(QStringLiteral("quiet-") + tag), file, false), r);
            best(second, measureImport(dir.filePath(QStringLiteral("second-") + tag), file, true, true), r);
            for (const char *kind : {"floor-", "import-", "quiet-", "second-"})
                QDir(dir.filePath(QString::fromLatin1(kind) + tag)).removeRecursively();
        }
        const StatementWatch::Longest &longest =
            imp.longest.nanoseconds > quiet.longest.nanoseconds ? imp.longest : quiet.longest;
        std::printf("%10lld %8.1f %10.2f %12.0f %10.1f %10.2f %10.1f %8.2f %12.2f %14.1f\n", gen.records(), fileMb,
                    imp.seconds, gen.records() / imp.seconds, imp.peakMb, floor.seconds, floor.peakMb,
                    imp.seconds / floor.seconds, quiet.seconds, longest.nanoseconds / 1e6);
        std::printf("%10s longest statement: %s\n", "", longest.sql.left(100).toUtf8().constData());
        std::printf("%10s importing it again into the same folder: %.2f s, longest statement %.1f ms: %s\n", "",
                    second.seconds, second.longest.nanoseconds / 1e6,
                    second.longest.sql.left(60).toUtf8().constData());
        std::fflush(stdout);
        QFile::remove(file);
    }
    return 0;
}
