// The custom export definition reader: the text files under SQL/ that an
// installation writes by hand (code page 932, or UTF-8 from a modern
// editor). Read are the four parts (qualifier, separator, output file
// name, statement) and the placeholders of the statement are replaced;
// the statement itself is never run here.
//
// Promises checked:
//  - the first three lines become the qualifier ("null": none; empty: the
//    double quote), the separator (empty: the comma) and the file name
//    (empty or missing: TOBARI_OUTPUT), none holding a line end; every
//    further line becomes one line of the statement, ended CR LF;
//  - a definition written back (as UTF-8 with a byte order mark) reads as
//    the same definition;
//  - a statement without placeholders is run as written, whatever values
//    the caller passes.

#include "FuzzCheck.h"

#include "output/clsCustomDOP.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(data) == data.size());
}

// The raw lines (CR, CR LF or LF end one; a line end at the very end
// starts no line). Neither code page 932 nor UTF-8 uses the bytes CR and
// LF inside a character, so the lines can be found on the bytes.
QByteArrayList rawLines(const QByteArray &data)
{
    QByteArrayList lines;
    QByteArray current;
    bool open = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            lines << current;
            current.clear();
            open = false;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines << current;
    return lines;
}

bool plainAscii(const QByteArray &b)
{
    for (char c : b)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool hasLineEnd(const QString &s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("NOUHIN.SQL"));
    const QByteArray data(reinterpret_cast<const char *>(bytes), qsizetype(size));
    writeFile(path, data);

    clsCustomDOP def;
    FUZZ_CHECK(def.setFile(path) == 0);
    FUZZ_CHECK(!hasLineEnd(def.qualifier()) && !hasLineEnd(def.separator()) && !hasLineEnd(def.outputFileName()));
    FUZZ_CHECK(!def.separator().isEmpty() && !def.outputFileName().isEmpty());

    QByteArrayList lines = rawLines(data);
    if (!lines.isEmpty() && lines.first().startsWith("\xEF\xBB\xBF"))
        lines.first().remove(0, 3);
    const auto line = [&](int i) { return i < lines.size() ? lines.at(i) : QByteArray(); };
    // Plain ASCII lines read as themselves, whatever the code page.
    if (line(0).isEmpty())
        FUZZ_CHECK(def.qualifier() == QLatin1String("\""));
    else if (line(0).compare("null", Qt::CaseInsensitive) == 0)
        FUZZ_CHECK(def.qualifier().isEmpty());
    else if (plainAscii(line(0)))
        FUZZ_CHECK(def.qualifier() == QString::fromLatin1(line(0)));
    if (line(1).isEmpty())
        FUZZ_CHECK(def.separator() == QLatin1String(","));
    else if (plainAscii(line(1)))
        FUZZ_CHECK(def.separator() == QString::fromLatin1(line(1)));
    if (line(2).isEmpty())
        FUZZ_CHECK(def.outputFileName() == QLatin1String("TOBARI_OUTPUT"));
    else if (plainAscii(line(2)))
        FUZZ_CHECK(def.outputFileName() == QString::fromLatin1(line(2)));

    const qsizetype statementLines = std::max<qsizetype>(lines.size() - 3, 0);
    const QString query = def.query();
    FUZZ_CHECK_MSG(query.count(QLatin1String("\r\n")) == statementLines, query);
    FUZZ_CHECK(statementLines == 0 || query.endsWith(QLatin1String("\r\n")));
    QString joined = query;
    joined.remove(QLatin1String("\r\n"));
    FUZZ_CHECK(!hasLineEnd(joined));

    // Written back as a modern editor would save it, it reads the same.
    if (!def.qualifier().startsWith(QChar(0xFEFF))) {
        const QString qualifier = def.qualifier().isEmpty() ? QStringLiteral("null") : def.qualifier();
        QByteArray again = "\xEF\xBB\xBF" + qualifier.toUtf8() + "\r\n" + def.separator().toUtf8() + "\r\n"
            + def.outputFileName().toUtf8() + "\r\n" + query.toUtf8();
        writeFile(path, again);
        clsCustomDOP reread;
        FUZZ_CHECK(reread.setFile(path) == 0);
        FUZZ_CHECK_MSG(reread.qualifier() == def.qualifier(), def.qualifier());
        FUZZ_CHECK(reread.separator() == def.separator());
        FUZZ_CHECK(reread.outputFileName() == def.outputFileName());
        FUZZ_CHECK(reread.query() == query);
    }

    // Placeholders replaced with hostile values; a statement without any
    // stays exactly as written.
    const QStringList values = {QStringLiteral("x' Or '1'='1"), QStringLiteral("--"), QStringLiteral("/[1]/"),
                                QStringLiteral("'; Delete From MST_PB; --"), QStringLiteral("値")};
    const QString prepared = def.preparedQuery(values);
    if (!query.contains(QLatin1String("/[")))
        FUZZ_CHECK(prepared == query);
    FUZZ_CHECK(def.preparedQuery({}) == def.preparedQuery({}));
    return 0;
}
