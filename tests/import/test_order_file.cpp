// Reading the chain's files below the imports: splitting a stream into
// lines, cutting a record into fields, reading master values.

#include "OrderFixture.h"
#include "import/CsvValues.h"
#include "import/OrderFile.h"
#include "store/Cp932.h"

#include <QBuffer>
#include <QCryptographicHash>

#include <gtest/gtest.h>

namespace {

using orderfile::FixedWidthTokenizer;
using orderfile::LineReader;

// ------------------------------------------------------------ lines

struct LineCase {
    const char *name;
    QByteArray content;
    QList<QByteArray> lines;
};

class LineSplitting : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineSplitting, SameLinesWhereverBlocksEnd)
{
    const LineCase &c = GetParam();
    // A CR at the end of one block and its LF at the start of the next are
    // one line end; small blocks put a boundary at every position.
    for (qsizetype blockSize : {1, 2, 3, 5, 1 << 20}) {
        SCOPED_TRACE(blockSize);
        QByteArray content = c.content;
        QBuffer buffer(&content);
        buffer.open(QIODevice::ReadOnly);
        LineReader reader(buffer, 64, nullptr, blockSize);
        QList<QByteArray> got;
        while (reader.next())
            got << reader.head().toByteArray();
        EXPECT_EQ(got, c.lines);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineSplitting,
    ::testing::Values(LineCase{"crlf", "ab\r\ncd\r\n", {"ab", "cd"}},
                      LineCase{"cr", "ab\rcd\r", {"ab", "cd"}},
                      LineCase{"lf", "ab\ncd\n", {"ab", "cd"}},
                      LineCase{"mixed", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                      LineCase{"no_end_after_last", "ab\r\ncd", {"ab", "cd"}},
                      LineCase{"empty_line_at_end", "ab\r\n\r\n", {"ab", ""}},
                      LineCase{"cr_cr_is_an_empty_line", "ab\r\rcd", {"ab", "", "cd"}},
                      LineCase{"lf_cr_is_an_empty_line", "ab\n\rcd", {"ab", "", "cd"}},
                      LineCase{"only_a_line_end", "\r\n", {""}},
                      LineCase{"empty", "", {}},
                      LineCase{"nul_bytes_stay", QByteArray("a\0b\r\n", 5), {QByteArray("a\0b", 3)}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LineReader, KeepsTheHeadAndCountsTheRest)
{
    QByteArray content = QByteArray(10'000, 'x') + "\r\nabc";
    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);
    QCryptographicHash digest(QCryptographicHash::Sha1);
    LineReader reader(buffer, 4, &digest, 1000);
    ASSERT_TRUE(reader.next());
    EXPECT_EQ(reader.head().toByteArray(), QByteArray("xxxx"));
    EXPECT_EQ(reader.length(), 10'000);
    ASSERT_TRUE(reader.next());
    EXPECT_EQ(reader.head().toByteArray(), QByteArray("abc"));
    EXPECT_EQ(reader.length(), 3);
    EXPECT_FALSE(reader.next());
    EXPECT_EQ(digest.result(), QCryptographicHash::hash(content, QCryptographicHash::Sha1));
}

// ------------------------------------------------------------ fields

QString u(const char16_t *s)
{
    return QString::fromUtf16(s);
}

TEST(FixedWidthTokenizer, CutsAtTheLayoutPositions)
{
    const QByteArray record = OrderRecord::line()
                                  .set({{"ONHJCD", "01"},
                                        {"ONLINE", "03"},
                                        {"ONSKU", " 0042"},
                                        {"ONSURY", "000150"},
                                        {"ONSYKN", u(u"紳士ポロシャツ")},
                                        {"ONCLKN", u(u"ｸﾛ")},
                                        {"ONYOB2", "ZZZZ"}})
                                  .bytes();
    const FixedWidthTokenizer cut(OrderLayout::BD);
    const QStringList f = cut.split(record);
    ASSERT_EQ(f.size(), 21);
    const auto at = [&](const char *column) { return f[cut.indexOf(column)]; };
    EXPECT_EQ(at("ONREKB"), "D");
    EXPECT_EQ(at("ONHJCD"), "01");
    EXPECT_EQ(at("ONLINE"), "03");
    EXPECT_EQ(at("ONSKU"), " 0042");                   // leading blank kept, trailing blank gone
    EXPECT_EQ(at("ONYOB1"), "");                       // a blank field is empty
    EXPECT_EQ(at("ONSURY"), "000150");                 // leading zeros kept
    EXPECT_EQ(at("ONSYKN"), u(u"紳士ポロシャツ"));
    EXPECT_EQ(at("ONCLKN"), u(u"ｸﾛ"));
    EXPECT_EQ(at("ONYOB2"), "ZZZZ");
}

TEST(FixedWidthTokenizer, ShortRecordGivesEmptyTrailingFields)
{
    const FixedWidthTokenizer cut(OrderLayout::H1);
    const QStringList f = cut.split(QByteArray("A012503"));
    EXPECT_EQ(f[cut.indexOf("OLREKB")], "A");
    EXPECT_EQ(f[cut.indexOf("OLHJCD")], "01");
    EXPECT_EQ(f[cut.indexOf("OLOPDT")], "2503");   // cut where the record ends
    EXPECT_EQ(f[cut.indexOf("OLOPTM")], "");
    EXPECT_EQ(f[cut.indexOf("OLYOBI")], "");
}

struct DamageCase {
    const char *name;
    QByteArray trkn;      // the 20 bytes of OMTRKN (positions 48-67)
    QByteArray mskn;      // the 10 bytes of OMMSKN that follow
    QString expectedTrkn;
    QString expectedMskn;
};

class DamagedFields : public ::testing::TestWithParam<DamageCase> {};

// Whatever is wrong inside one field, the fields after it are cut at their
// own positions and keep their text.
TEST_P(DamagedFields, SpoilOnlyTheirOwnCharacters)
{
    const DamageCase &c = GetParam();
    const QByteArray record = OrderRecord::slip()
                                  .set({{"OMTRCD", "123456"}, {"OMTCD1", "7"}})
                                  .setBytes("OMTRKN", c.trkn)
                                  .setBytes("OMMSKN", c.mskn)
                                  .bytes();
    const FixedWidthTokenizer cut(OrderLayout::H2);
    const QStringList f = cut.split(record);
    EXPECT_EQ(f[cut.indexOf("OMTRCD")], "123456");
    EXPECT_EQ(f[cut.indexOf("OMTRKN")], c.expectedTrkn);
    EXPECT_EQ(f[cut.indexOf("OMMSKN")], c.expectedMskn);
    EXPECT_EQ(f[cut.indexOf("OMTCD1")], "7");
    // The fast path for ASCII and the copy of the last decoded text give
    // what decoding gives, also when only the byte before a field changed.
    for (int i = 0; i < cut.count(); ++i)
        EXPECT_EQ(cut.fieldUtf8(record, i).toByteArray(), f[i].toUtf8()) << cut.name(i);
    // A different last byte of OMTRKN decides anew whether OMMSKN starts
    // inside a character.
    const QByteArray other = OrderRecord::slip()
                                 .setBytes("OMTRKN", c.trkn.left(c.trkn.size() - 1) + "Q")
                                 .setBytes("OMMSKN", c.mskn)
                                 .bytes();
    const QStringList g = cut.split(other);
    for (int i = 0; i < cut.count(); ++i)
        EXPECT_EQ(cut.fieldUtf8(other, i).toByteArray(), g[i].toUtf8()) << cut.name(i);
    for (int i = 0; i < cut.count(); ++i)
        EXPECT_EQ(cut.fieldUtf8(record, i).toByteArray(), f[i].toUtf8()) << cut.name(i);
}

const QString R(QChar(0xFFFD));

QByteArray pad(const QByteArray &bytes, qsizetype width)
{
    return bytes + QByteArray(width - bytes.size(), ' ');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedFields,
    ::testing::Values(
        // 店 is 93 58: its lead byte ends OMTRKN, its trail byte (an 'X' on
        // its own) begins OMMSKN.
        DamageCase{"character_cut_by_the_boundary", QByteArray("ABCDEFGHIJKLMNOPQRS\x93"),
                   pad("\x58" + cp932::encode(u(u"渋谷")), 10), "ABCDEFGHIJKLMNOPQRS" + R, R + u(u"渋谷")},
        // い is 82 A2: its trail byte A2 alone would read as the katakana ｢.
        DamageCase{"cut_with_a_katakana_like_trail", QByteArray(19, 'A') + "\x82", pad("\xA2" "BCD", 10),
                   QString(19, QLatin1Char('A')) + R, R + "BCD"},
        // 82 82 is ｂ: the second 82 only looks like a lead byte, so the
        // boundary right after the pair cuts nothing.
        DamageCase{"lead_looking_trail_byte", QByteArray(18, 'A') + "\x82\x82", pad("XYZ", 10),
                   QString(18, QLatin1Char('A')) + u(u"ｂ"), "XYZ"},
        DamageCase{"invalid_bytes", pad("\x80" "AB\xA0\xFD" "C", 20), pad("STORE", 10), R + "AB" + R + R + "C",
                   "STORE"},
        DamageCase{"nul_bytes", pad(QByteArray("AB\0\0CD", 6), 20), pad("STORE", 10), "AB" + R + R + "CD",
                   "STORE"}),
    [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------ master values

struct CsvCase {
    const char *name;
    QByteArray content;
    QStringList values;
};

class CsvValues : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvValues, ReadsTheStream)
{
    const CsvCase &c = GetParam();
    for (qsizetype blockSize : {1, 3, 1 << 16}) {
        SCOPED_TRACE(blockSize);
        QByteArray content = c.content;
        QBuffer buffer(&content);
        buffer.open(QIODevice::ReadOnly);
        CsvValueReader reader(buffer, blockSize);
        QStringList got;
        QString v;
        while (reader.next(v))
            got << v;
        EXPECT_EQ(got, c.values);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvValues,
    ::testing::Values(CsvCase{"lines_end_values", "a,b,c\r\nd\r\n", {"a", "b", "c", "d"}},
                      CsvCase{"cr_and_lf", "a\rb\nc", {"a", "b", "c"}},
                      CsvCase{"blanks_around_dropped", "  a  ,\tb \r\n", {"a", "b"}},
                      CsvCase{"quotes_removed_comma_kept", "\"a,b\",c", {"a,b", "c"}},
                      CsvCase{"blanks_inside_quotes_kept", " \" a \" ,b", {" a ", "b"}},
                      CsvCase{"doubled_quote", "\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
                      CsvCase{"line_end_inside_quotes", "\"a\r\nb\",c", {"a\r\nb", "c"}},
                      CsvCase{"empty_values", "a,,b", {"a", "", "b"}},
                      CsvCase{"comma_before_line_end", "a,\r\nb,", {"a", "", "b", ""}},
                      CsvCase{"blank_lines_hold_nothing", "a\r\n\r\n  \r\nb\r\n\r\n", {"a", "b"}},
                      CsvCase{"leading_zeros_kept", "0012,\"0034\"", {"0012", "0034"}},
                      CsvCase{"code_page_932", cp932::encode(u(u"渋谷店,\"東京都渋谷区1-2\",ｸﾛ")),
                              {u(u"渋谷店"), u(u"東京都渋谷区1-2"), u(u"ｸﾛ")}},
                      CsvCase{"empty", "", {}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
