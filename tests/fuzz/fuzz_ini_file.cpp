// The private-profile (ini) reader and writer of the settings files
// (Conf.ini, Gyoum.ini, Conf.DAT), which people edit by hand.
//
// Promises checked:
//  - sections are listed once each (names compared without case), and
//    every key of a section reads as its value (quotes dropped) or the
//    default when empty; GetInteger reads the value's leading number;
//  - writing a new key changes nothing else: the file is the old one, byte
//    for byte, with one line added (and the section header when the file
//    had no section), and every other key reads as before;
//  - deleting that key again, or a whole section, leaves every other
//    section's keys as they were.

#include "FuzzCheck.h"

#include "store/clsIniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <limits>

namespace {

QString Missing() { return QStringLiteral("\x01missing"); }

QByteArray readFile(const QString &path)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(data) == data.size());
}

// Lines with their line ends.
QByteArrayList linesOf(const QByteArray &data)
{
    QByteArrayList lines;
    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype nl = data.indexOf('\n', pos);
        const qsizetype end = nl < 0 ? data.size() : nl + 1;
        lines << data.mid(pos, end - pos);
        pos = end;
    }
    return lines;
}

// How Windows reads a number from a profile value.
qint32 leadingNumber(const QString &text, qint32 defaultValue)
{
    if (text.isEmpty())
        return defaultValue;
    qsizetype i = 0;
    bool negative = false;
    if (text.at(0) == QLatin1Char('-') || text.at(0) == QLatin1Char('+')) {
        negative = text.at(0) == QLatin1Char('-');
        ++i;
    }
    double n = 0;
    for (; i < text.size() && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9'; ++i)
        n = n * 10 + (text.at(i).unicode() - '0');
    if (negative)
        n = -n;
    n = std::max<double>(n, std::numeric_limits<qint32>::min());
    n = std::min<double>(n, std::numeric_limits<qint32>::max());
    return qint32(n);
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// Every section's key lines, in file order.
QList<QStringList> snapshot(clsIniFile &ini, const QStringList &sections)
{
    QList<QStringList> all;
    for (const QString &s : sections) {
        ini.setSection(s);
        QStringList lines;
        FUZZ_CHECK(ini.EnumSectionString(lines) == lines.size());
        all << lines;
    }
    return all;
}

void checkReading(clsIniFile &ini, const QStringList &sections, const QList<QStringList> &keys)
{
    for (qsizetype s = 0; s < sections.size(); ++s) {
        FUZZ_CHECK(!sections.at(s).isEmpty());
        for (qsizetype t = 0; t < s; ++t)
            FUZZ_CHECK_MSG(sections.at(s).compare(sections.at(t), Qt::CaseInsensitive) != 0, sections.at(s));
        ini.setSection(sections.at(s));
        QStringList seen;
        for (const QString &line : keys.at(s)) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            FUZZ_CHECK_MSG(eq > 0, line);
            const QString key = line.left(eq);
            bool first = true;
            for (const QString &k : std::as_const(seen))
                first = first && k.compare(key, Qt::CaseInsensitive) != 0;
            seen << key;
            if (!first)
                continue;   // the first of twin keys counts
            const QString value = unquoted(line.mid(eq + 1));
            const QString expected = value.isEmpty() ? Missing() : value;
            FUZZ_CHECK_MSG(ini.GetString(key, Missing()) == expected, line);
            FUZZ_CHECK_MSG(ini.GetInteger(key, 4711) == leadingNumber(value, 4711), line);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Conf.ini"));
    const QByteArray data(reinterpret_cast<const char *>(bytes), qsizetype(size));
    writeFile(path, data);

    clsIniFile ini;
    ini.setFileName(path);
    QStringList sections;
    FUZZ_CHECK(ini.EmnumSection(sections) == sections.size());
    const QList<QStringList> before = snapshot(ini, sections);
    checkReading(ini, sections, before);

    // A key the file does not hold yet, into its first section (or a new one).
    const QString section = sections.isEmpty() ? QStringLiteral("FUZZ") : sections.first();
    ini.setSection(section);
    QString key;
    for (int n = 0; key.isEmpty(); ++n) {
        const QString k = QStringLiteral("FuzzKey%1").arg(n);
        QStringList lines;
        ini.EnumSectionString(lines);
        bool taken = false;
        for (const QString &l : std::as_const(lines))
            taken = taken || l.section(QLatin1Char('='), 0, 0).compare(k, Qt::CaseInsensitive) == 0;
        if (!taken)
            key = k;
    }
    const QString value = QStringLiteral("値 1");
    if (section.contains(QLatin1Char(']')) || section.contains(QLatin1Char('\r')))
        return 0;   // no such section can be written; refused, nothing to check
    FUZZ_CHECK_MSG(ini.SetString(key, value), section);
    FUZZ_CHECK(ini.GetString(key, Missing()) == value);

    // The file is the old one with the new line (and header) added.
    const QByteArray after = readFile(path);
    const QByteArrayList newLines = linesOf(after);
    const QByteArray end = data.contains("\r\n") && data.indexOf("\r\n") + 1 == data.indexOf('\n')
        ? QByteArray("\r\n") : data.contains('\n') ? QByteArray("\n") : QByteArray("\r\n");
    bool found = false;
    for (qsizetype j = 0; j < newLines.size() && !found; ++j) {
        if (!newLines.at(j).startsWith(key.toLatin1() + '='))
            continue;
        QByteArrayList rest = newLines;
        rest.removeAt(j);
        if (sections.isEmpty() && j > 0)
            rest.removeAt(j - 1);   // the header added with it
        const QByteArray joined = rest.join();
        found = joined == data || (!data.endsWith('\n') && joined == data + end);
    }
    FUZZ_CHECK_MSG(found, QStringLiteral("old:\n%1\nnew:\n%2").arg(fuzzHex(data), fuzzHex(after)));

    QStringList sectionsAfter;
    ini.EmnumSection(sectionsAfter);
    if (!sections.isEmpty()) {
        FUZZ_CHECK(sectionsAfter == sections);
        QList<QStringList> expected = before;
        expected.first() << key + QLatin1Char('=') + value;
        FUZZ_CHECK(snapshot(ini, sections) == expected);
    }

    ini.setSection(section);
    ini.DeleteKeyName(key);
    FUZZ_CHECK(ini.GetString(key, Missing()) == Missing());
    FUZZ_CHECK(snapshot(ini, sections) == before);

    // A whole section removed: its twins go with it, the others stay.
    if (!sections.isEmpty()) {
        QString gone = sections.first();
        ini.DeleteSection(gone);
        QStringList left;
        ini.EmnumSection(left);
        FUZZ_CHECK(left == sections.mid(1));
        QList<QStringList> rest = before.mid(1);
        FUZZ_CHECK(snapshot(ini, left) == rest);
    }
    return 0;
}
