// The order-file reader as the import runs it: the line splitter (lines
// ending CR, CR LF or LF; the length of every line, of which the import
// checks the last against the 128-byte record length; the first 128 bytes
// of each line held), then the record tokenizer of each record kind and the
// code page 932 decoding of its fields.
//
// Promises checked:
//  - the lines are those of a plain reference splitter, whatever the size
//    of the blocks the file is read in, and the digest covers every byte;
//  - the widths of each record kind add up to the record length, and every
//    field is cut at its own position: a field that starts on a character
//    boundary and holds only valid code page 932 reads as exactly its own
//    bytes decoded (no shift, whatever damage the fields before it hold);
//  - decoding then re-encoding such a field gives its bytes back (where the
//    code page has two codes for one character, the other code of that
//    same character: same text, same width);
//  - the UTF-8 fast path the import binds gives the same text as field().

#include "FuzzCheck.h"

#include "import/OrderFile.h"
#include "store/Cp932.h"
#include "store/OrderLayout.h"

#include <QBuffer>
#include <QCryptographicHash>

#include <cstdint>
#include <span>
#include <vector>

namespace {

struct RefLine {
    qsizetype start;
    qsizetype length;
};

// CR, CR LF and LF end a line; a line end at the very end starts no line.
std::vector<RefLine> referenceLines(const QByteArray &data)
{
    std::vector<RefLine> lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < data.size()) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.push_back({start, i - start});
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < data.size())
        lines.push_back({start, data.size() - start});
    return lines;
}

void checkLines(const QByteArray &data, const std::vector<RefLine> &ref, qsizetype keep, qsizetype blockSize)
{
    QByteArray copy = data;
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    QCryptographicHash digest(QCryptographicHash::Sha1);
    orderfile::LineReader reader(device, keep, &digest, blockSize);
    size_t n = 0;
    while (reader.next()) {
        FUZZ_CHECK_MSG(n < ref.size(), QStringLiteral("block size %1: more lines than the file holds").arg(blockSize));
        const RefLine &r = ref[n];
        FUZZ_CHECK_MSG(reader.length() == r.length,
                       QStringLiteral("line %1, block size %2: length %3, expected %4")
                           .arg(n + 1).arg(blockSize).arg(reader.length()).arg(r.length));
        const QByteArrayView expectedHead = QByteArrayView(data).sliced(r.start, std::min(r.length, keep));
        FUZZ_CHECK_MSG(reader.head() == expectedHead,
                       QStringLiteral("line %1, block size %2: wrong bytes held").arg(n + 1).arg(blockSize));
        ++n;
    }
    FUZZ_CHECK_MSG(n == ref.size(), QStringLiteral("block size %1: %2 lines, expected %3")
                                        .arg(blockSize).arg(n).arg(ref.size()));
    FUZZ_CHECK(digest.result() == QCryptographicHash::hash(data, QCryptographicHash::Sha1));
}

bool isTrail(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Character boundaries of a record walked from its start: a lead byte and
// a valid trail byte make one character, every other byte is one.
std::vector<bool> boundaries(QByteArrayView record)
{
    std::vector<bool> at(size_t(record.size()) + 1, false);
    qsizetype i = 0;
    while (i < record.size()) {
        at[size_t(i)] = true;
        const auto c = static_cast<unsigned char>(record[i]);
        i += cp932::isLeadByte(c) && i + 1 < record.size() && isTrail(static_cast<unsigned char>(record[i + 1])) ? 2 : 1;
    }
    at[size_t(record.size())] = true;
    return at;
}

QString trimTrailingBlanks(QString s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    s.truncate(n);
    return s;
}

struct Kind {
    std::span<const OrderField> layout;
    orderfile::FixedWidthTokenizer cut;
};

void checkRecord(Kind &kind, QByteArrayView record)
{
    const orderfile::FixedWidthTokenizer &cut = kind.cut;
    FUZZ_CHECK(cut.count() == int(kind.layout.size()));
    const std::vector<bool> boundary = boundaries(record);
    const QStringList all = cut.split(record);
    FUZZ_CHECK(all.size() == cut.count());
    int offset = 0;
    for (int i = 0; i < cut.count(); ++i) {
        const int width = kind.layout[size_t(i)].width;
        const QString text = cut.field(record, i);
        FUZZ_CHECK(text == all.at(i));
        FUZZ_CHECK_MSG(!text.contains(QChar(u'\0')), QString::fromLatin1(cut.name(i)));
        FUZZ_CHECK_MSG(!text.endsWith(QLatin1Char(' ')), QString::fromLatin1(cut.name(i)));
        // The import binds the UTF-8 form; both must say the same. Asked
        // twice: the second answer may come from the tokenizer's memory.
        for (int pass = 0; pass < 2; ++pass) {
            const QByteArrayView utf8 = cut.fieldUtf8(record, i);
            FUZZ_CHECK_MSG(utf8.toByteArray() == text.toUtf8(),
                           QStringLiteral("%1: \"%2\" against \"%3\"")
                               .arg(QString::fromLatin1(cut.name(i)), QString::fromUtf8(utf8), text));
        }

        if (offset >= record.size()) {
            FUZZ_CHECK_MSG(text.isEmpty(), QStringLiteral("%1 lies beyond the record").arg(QString::fromLatin1(cut.name(i))));
        } else if (boundary[size_t(offset)]) {
            const QByteArray raw = record.sliced(offset, std::min<qsizetype>(width, record.size() - offset)).toByteArray();
            const QString decoded = cp932::decode(raw);
            if (!decoded.contains(QChar(0xFFFD)) && !raw.contains('\0')) {
                FUZZ_CHECK_MSG(text == trimTrailingBlanks(decoded),
                               QStringLiteral("%1 at %2: \"%3\", its bytes read \"%4\" (%5)")
                                   .arg(QString::fromLatin1(cut.name(i))).arg(offset).arg(text, decoded, fuzzHex(raw)));
                QByteArray expected = raw;
                while (expected.endsWith(' '))
                    expected.chop(1);
                const QByteArray again = cp932::encode(text);
                FUZZ_CHECK_MSG(again == expected
                                   || (again.size() == expected.size() && cp932::decode(again) == text),
                               QStringLiteral("%1: %2 came back as %3")
                                   .arg(QString::fromLatin1(cut.name(i)), fuzzHex(expected), fuzzHex(again)));
            }
        }
        offset += width;
    }
    FUZZ_CHECK(offset == OrderLayout::RecordLength);
    FUZZ_CHECK(cut.recordLength() == OrderLayout::RecordLength);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    // Kept across inputs as the import keeps them across lines: each
    // remembers its last decoded fields.
    static Kind kinds[] = {
        {OrderLayout::H1, orderfile::FixedWidthTokenizer(OrderLayout::H1)},
        {OrderLayout::H2, orderfile::FixedWidthTokenizer(OrderLayout::H2)},
        {OrderLayout::BD, orderfile::FixedWidthTokenizer(OrderLayout::BD)},
    };

    const QByteArray data(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const std::vector<RefLine> ref = referenceLines(data);
    // The first pass only counts and measures; the second holds the record.
    checkLines(data, ref, 0, 4096);
    checkLines(data, ref, OrderLayout::RecordLength, 1 << 20);
    for (qsizetype block : {1, 2, 127, 128, 129})
        checkLines(data, ref, OrderLayout::RecordLength, block);

    for (const RefLine &line : ref) {
        const QByteArrayView record =
            QByteArrayView(data).sliced(line.start, std::min<qsizetype>(line.length, OrderLayout::RecordLength));
        for (Kind &kind : kinds)
            checkRecord(kind, record);
    }
    return 0;
}
