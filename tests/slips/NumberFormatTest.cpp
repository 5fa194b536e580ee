// The number patterns of the slips and lists, on exact decimals.
#include "slips/NumberFormat.h"
#include "store/DbError.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

using NumberFormat::Decimal;

struct FormatCase {
    const char *name;
    Decimal value;
    const char *pattern;
    const char *printed;
};

void PrintTo(const FormatCase &c, std::ostream *os)
{
    *os << c.name;
}

class Patterns : public testing::TestWithParam<FormatCase> {};

TEST_P(Patterns, FormatAsTheFormsExpect)
{
    const FormatCase &c = GetParam();
    EXPECT_EQ(NumberFormat::format(c.value, QString::fromLatin1(c.pattern)), QString::fromLatin1(c.printed));
}

INSTANTIATE_TEST_SUITE_P(
    NumberFormat, Patterns,
    testing::Values(
        FormatCase{"plain_whole", {1980, 0}, "#0", "1980"},
        FormatCase{"plain_zero", {0, 0}, "#0", "0"},
        FormatCase{"plain_half_away_up", {299705, 1}, "#0", "29971"},
        FormatCase{"plain_below_half", {299704, 1}, "#0", "29970"},
        FormatCase{"plain_negative_half_away", {-25, 1}, "#0", "-3"},
        FormatCase{"grouped_millions", {1234567, 0}, "#,##0", "1,234,567"},
        FormatCase{"grouped_three_digits", {999, 0}, "#,##0", "999"},
        FormatCase{"grouped_rounds_tenths", {495005, 1}, "#,##0", "49,501"},
        FormatCase{"grouped_negative", {-1234, 0}, "#,##0", "-1,234"},
        FormatCase{"negative_rounding_to_zero_has_no_sign", {-4, 1}, "#,##0", "0"},
        FormatCase{"decimals_keep_the_point", {18007, 0}, "#,##0.##", "18,007."},
        FormatCase{"decimals_one_digit", {12005, 1}, "#,##0.##", "1,200.5"},
        FormatCase{"decimals_from_hundredths", {120050, 2}, "#,##0.##", "1,200.5"},
        FormatCase{"decimals_two_digits", {1860775, 2}, "#,##0.##", "18,607.75"},
        FormatCase{"decimals_round_thousandths_half_away", {18607755, 3}, "#,##0.##", "18,607.76"},
        FormatCase{"decimals_thousandths_below_half", {18607754, 3}, "#,##0.##", "18,607.75"},
        FormatCase{"decimals_round_up_to_whole", {18999999, 3}, "#,##0.##", "19,000."},
        FormatCase{"decimals_zero", {0, 3}, "#,##0.##", "0."},
        FormatCase{"decimals_below_one", {5, 1}, "#,##0.##", "0.5"},
        FormatCase{"blank_zero_prints_nothing", {0, 1}, "#,###", ""},
        FormatCase{"blank_below_half_prints_nothing", {4, 1}, "#,###", ""},
        FormatCase{"blank_half_piece_rounds_up", {155, 1}, "#,###", "16"},
        FormatCase{"blank_grouped", {12340, 1}, "#,###", "1,234"},
        FormatCase{"beyond_32_bits", {999998999000001, 3}, "#,##0.##", "999,998,999,000."}),
    [](const auto &info) { return std::string(info.param.name); });

struct RoundCase {
    const char *name;
    Decimal value;
    qint64 even;
    qint64 away;
};

TEST(NumberFormat, RoundingOfHalves)
{
    const RoundCase cases[] = {
        {"half_to_even_down", {9985, 1}, 998, 999}, {"half_to_even_up", {9995, 1}, 1000, 1000},
        {"not_a_half", {9986, 1}, 999, 999},        {"whole", {29700, 0}, 29700, 29700},
        {"negative_half", {-25, 1}, -2, -3},        {"two_places_half", {250, 2}, 2, 3},
        {"below_half", {-24, 1}, -2, -2},
    };
    for (const RoundCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NumberFormat::roundHalfEven(c.value), c.even);
        EXPECT_EQ(NumberFormat::roundHalfAway(c.value), c.away);
    }
}

TEST(NumberFormat, StoredFigures)
{
    const std::pair<const char *, std::optional<qint64>> cases[] = {
        {"0001980", 1980}, {"000000", 0},     {" 12 ", 12},          {"-00150", -150},
        {"", std::nullopt}, {"12a", std::nullopt}, {"1.5", std::nullopt}, {"-", std::nullopt},
        {"1234567890123456789", std::nullopt}};
    for (const auto &[text, value] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(NumberFormat::wholeNumber(QString::fromLatin1(text)), value);
    }
}

TEST(NumberFormat, DigitPlaceholders)
{
    const std::pair<const char *, const char *> cases[] = {{"20250131", "2025/01/31"},
                                                           {"2025013", "202/50/13"},
                                                           {"120250131", "12025/01/31"},
                                                           {"20", "//20"},
                                                           {"20ab", "20ab"}};
    for (const auto &[digits, printed] : cases) {
        SCOPED_TRACE(digits);
        EXPECT_EQ(NumberFormat::fillDigits(QString::fromLatin1(digits), QStringLiteral("####/##/##")),
                  QString::fromLatin1(printed));
    }
}

TEST(NumberFormat, UnknownPatternCharacterIsRefused)
{
    EXPECT_THROW(NumberFormat::format(Decimal{1, 0}, QStringLiteral("#,##0円")), DbError);
}

} // namespace
