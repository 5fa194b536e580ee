// The reader of the chain's two master files (the PB tag master and the
// delivery-destination master): comma-separated values in code page 932,
// read as one stream of values, as the master imports read them.
//
// Promises checked:
//  - the same values come out whatever the size of the blocks the file is
//    read in;
//  - no value holds a NUL; an unquoted-looking value never swallows a
//    separator or a line end it should have stopped at: values written
//    back quoted (quotes doubled, in code page 932, separated by commas,
//    a record per line as each master has it) read back as the same values;
//  - a value taken for an integer column either is refused or converts to
//    a finite whole number, as the PB import converts it.

#include "FuzzCheck.h"

#include "import/CsvValues.h"
#include "store/Cp932.h"
#include "store/JetFunctions.h"

#include <QBuffer>

#include <cmath>
#include <cstdint>

namespace {

QStringList readAll(const QByteArray &data, qsizetype blockSize)
{
    QByteArray copy = data;
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    CsvValueReader reader(device, blockSize);
    QStringList values;
    QString v;
    while (reader.next(v))
        values << v;
    return values;
}

// The values as a master file would hold them, `perRecord` to a line.
QByteArray writeBack(const QStringList &values, int perRecord, const char *lineEnd)
{
    QByteArray out;
    for (qsizetype i = 0; i < values.size(); ++i) {
        QString quoted = values.at(i);
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        out += '"' + cp932::encode(quoted) + '"';
        out += (i + 1) % perRecord == 0 || i + 1 == values.size() ? QByteArray(lineEnd) : QByteArray(",");
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray data(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const QStringList values = readAll(data, 1 << 16);
    for (qsizetype block : {1, 2, 3, 64})
        FUZZ_CHECK_MSG(readAll(data, block) == values, QStringLiteral("block size %1").arg(block));

    QStringList expected;
    for (const QString &v : values) {
        FUZZ_CHECK(!v.contains(QChar(u'\0')));
        // What the value is once written in code page 932 again (a
        // character without a code there becomes '?').
        expected << cp932::decode(cp932::encode(v));

        if (const std::optional<double> n = jet::parseNumber(v)) {
            FUZZ_CHECK(std::isfinite(*n));
            const double r = jet::roundHalfEven(*n);
            FUZZ_CHECK(std::isfinite(r) && r == std::floor(r));
            FUZZ_CHECK(std::fabs(r - *n) <= 0.5);
        }
    }
    // The PB master has 17 values a record, the destination master 4.
    FUZZ_CHECK_MSG(readAll(writeBack(values, 17, "\r\n"), 1 << 16) == expected, QStringLiteral("PB layout"));
    FUZZ_CHECK_MSG(readAll(writeBack(values, 4, "\n"), 7) == expected, QStringLiteral("destination layout"));
    return 0;
}
