#include "store/Cp932.h"

#include <gtest/gtest.h>

namespace {

QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}

struct RoundTrip {
    const char *name;
    const char16_t *text;
    const char *bytes;
};

class Cp932RoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(Cp932RoundTrip, EncodesAndDecodes)
{
    const RoundTrip &c = GetParam();
    const QString text = QString::fromUtf16(c.text);
    EXPECT_EQ(cp932::encode(text).toHex(), hex(c.bytes).toHex());
    EXPECT_EQ(cp932::decode(hex(c.bytes)), text);
    EXPECT_EQ(cp932::byteLength(text), hex(c.bytes).size());
}

INSTANTIATE_TEST_SUITE_P(
    Characters, Cp932RoundTrip,
    ::testing::Values(RoundTrip{"ascii", u"A01 ", "41303120"},
                      RoundTrip{"halfwidth_katakana", u"ｶｽﾀﾑ", "b6bdc0d1"},
                      RoundTrip{"nec_circled_digit", u"①", "8740"},
                      RoundTrip{"nec_kabushiki", u"㈱", "878a"},
                      RoundTrip{"numero", u"№", "8782"},
                      RoundTrip{"ibm_extension", u"髙", "fbfc"},
                      RoundTrip{"backslash_stays_backslash", u"C:\\a", "433a5c61"},
                      RoundTrip{"tilde_stays_tilde", u"~", "7e"},
                      RoundTrip{"fullwidth_text", u"納品伝票", "945b95699360955b"}),
    [](const auto &info) { return std::string(info.param.name); });

struct Invalid {
    const char *name;
    const char *bytes;
    const char16_t *text;
};

class Cp932Invalid : public ::testing::TestWithParam<Invalid> {};

// One bad byte gives one replacement character and the bytes after it still
// decode, so a damaged field never shifts the fields that follow it.
TEST_P(Cp932Invalid, ReplacesOnlyTheBadByte)
{
    const Invalid &c = GetParam();
    EXPECT_EQ(cp932::decode(hex(c.bytes)), QString::fromUtf16(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Cp932Invalid,
    ::testing::Values(Invalid{"lead_then_space", "41812042", u"A\uFFFD B"},
                      Invalid{"lone_0x80", "418042", u"A\uFFFDB"},
                      Invalid{"lone_0xA0", "41a042", u"A\uFFFDB"},
                      Invalid{"lone_0xFD", "41fd42", u"A\uFFFDB"},
                      Invalid{"lead_cut_at_end", "414281", u"AB\uFFFD"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Cp932, NulBytesDecodeAsNulAndKeepTheFollowingText)
{
    EXPECT_EQ(cp932::decode(hex("41008740")), QString::fromUtf16(u"A\0①", 3));
}

TEST(Cp932, UnmappableCharacterBecomesOneQuestionMark)
{
    // An emoji has no CP932 form; the byte count must stay predictable.
    EXPECT_EQ(cp932::encode(QString::fromUtf16(u"a\U0001F600b")), QByteArray("a?b"));
    EXPECT_EQ(cp932::encode(QString::fromUtf16(u"a\u0E01b")), QByteArray("a?b"));
}

TEST(Cp932, OneWayMappingsWhenEncoding)
{
    // Wave dash and yen sign are written in the forms Windows uses.
    EXPECT_EQ(cp932::encode(QString::fromUtf16(u"\u301C")).toHex(), QByteArray("8160"));
    EXPECT_EQ(cp932::encode(QString::fromUtf16(u"\u00A5")).toHex(), QByteArray("5c"));
}

TEST(Cp932, SliceCuttingADoubleByteCharacter)
{
    const QByteArray b = cp932::encode(QString::fromUtf16(u"AB納品"));   // 41 42 94 5B 95 69
    EXPECT_EQ(cp932::decodeSlice(b, 2, 2), QString::fromUtf16(u"納"));
    EXPECT_EQ(cp932::decodeSlice(b, 1, 2), QString::fromUtf16(u"B\uFFFD"));
    EXPECT_EQ(cp932::decodeSlice(b, 10, 2), QString());
}

TEST(Cp932, LeftBytesNeverSplitsACharacter)
{
    const QString t = QString::fromUtf16(u"ｱ納品X");
    EXPECT_EQ(cp932::leftBytes(t, 1), QString::fromUtf16(u"ｱ"));
    EXPECT_EQ(cp932::leftBytes(t, 2), QString::fromUtf16(u"ｱ"));
    EXPECT_EQ(cp932::leftBytes(t, 3), QString::fromUtf16(u"ｱ納"));
    EXPECT_EQ(cp932::leftBytes(t, 99), t);
}

} // namespace
