#include "store/Clock.h"
#include "store/DbError.h"
#include "store/InputChecks.h"
#include "store/NumericText.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

struct NumericCase {
    const char *name;
    const char16_t *text;
    bool numericOrEmpty;
    double value;   // when numeric
};

class NumericTextCase : public ::testing::TestWithParam<NumericCase> {};

TEST_P(NumericTextCase, Reads)
{
    const NumericCase &c = GetParam();
    const QString text = QString::fromUtf16(c.text);
    EXPECT_EQ(IsNumericOrEmpty(text), c.numericOrEmpty);
    const std::optional<double> v = numericValue(text);
    if (c.numericOrEmpty && !text.isEmpty()) {
        ASSERT_TRUE(v.has_value());
        EXPECT_DOUBLE_EQ(*v, c.value);
    } else {
        EXPECT_FALSE(v.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumericTextCase,
    ::testing::Values(NumericCase{"empty", u"", true, 0},
                      NumericCase{"integer", u"12", true, 12},
                      NumericCase{"decimal", u"1.5", true, 1.5},
                      NumericCase{"point_first", u".5", true, 0.5},
                      NumericCase{"negative", u"-3", true, -3},
                      NumericCase{"plus", u"+7", true, 7},
                      NumericCase{"blanks_around", u" 24 ", true, 24},
                      NumericCase{"thousands", u"1,234", true, 1234},
                      NumericCase{"exponent", u"1.5E2", true, 150},
                      NumericCase{"full_width", u"１２．５", true, 12.5},
                      NumericCase{"full_width_blank", u"\u3000２４", true, 24},
                      NumericCase{"letters", u"abc", false, 0},
                      NumericCase{"trailing_letter", u"12a", false, 0},
                      NumericCase{"blank_only", u" ", false, 0},
                      NumericCase{"sign_only", u"-", false, 0},
                      NumericCase{"leading_comma", u",12", false, 0},
                      NumericCase{"double_comma", u"1,,2", false, 0},
                      NumericCase{"two_points", u"1.2.3", false, 0},
                      NumericCase{"exponent_without_digits", u"1e", false, 0},
                      NumericCase{"beyond_double", u"1e400", false, 0}),
    [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------ dates

struct DateCase {
    const char *name;
    const char16_t *text;
    QDate expected;   // invalid: not a date
};

class DateTextCase : public ::testing::TestWithParam<DateCase> {
protected:
    void SetUp() override { Clock::setFixed(QDateTime(QDate(2024, 6, 21), QTime(10, 0))); }
    void TearDown() override { Clock::reset(); }
};

TEST_P(DateTextCase, Parses)
{
    const DateCase &c = GetParam();
    const QString text = QString::fromUtf16(c.text);
    const std::optional<QDate> d = parseDateText(text);
    if (c.expected.isValid()) {
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(*d, c.expected);
    } else {
        EXPECT_FALSE(d.has_value());
    }
    EXPECT_EQ(IsDateOrEmpty(text), c.expected.isValid());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateTextCase,
    ::testing::Values(DateCase{"slashed", u"2024/06/21", QDate(2024, 6, 21)},
                      DateCase{"single_digits", u"2024/6/1", QDate(2024, 6, 1)},
                      DateCase{"dashes", u"2024-06-21", QDate(2024, 6, 21)},
                      DateCase{"dots", u"2024.06.21", QDate(2024, 6, 21)},
                      DateCase{"two_digit_year", u"24/06/21", QDate(2024, 6, 21)},
                      DateCase{"two_digit_year_last_century", u"98/12/31", QDate(1998, 12, 31)},
                      DateCase{"window_edges_29", u"29/1/1", QDate(2029, 1, 1)},
                      DateCase{"window_edges_30", u"30/1/1", QDate(1930, 1, 1)},
                      DateCase{"kanji", u"2024年6月21日", QDate(2024, 6, 21)},
                      DateCase{"month_day_this_year", u"6/21", QDate(2024, 6, 21)},
                      DateCase{"month_day_kanji", u"12月1日", QDate(2024, 12, 1)},
                      DateCase{"leap_day", u"2024/02/29", QDate(2024, 2, 29)},
                      DateCase{"full_width", u"２０２４／０６／２１", QDate(2024, 6, 21)},
                      DateCase{"not_a_leap_year", u"2023/02/29", QDate()},
                      DateCase{"day_zero", u"2024/06/00", QDate()},
                      DateCase{"closing_day_missing", u"2024/06/", QDate()},
                      DateCase{"month_13", u"2024/13/01", QDate()},
                      DateCase{"mixed_separators", u"2024/06-21", QDate()},
                      DateCase{"digits_only", u"20240621", QDate()},
                      DateCase{"words", u"today", QDate()},
                      DateCase{"number", u"1.5", QDate()}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(IsDateOrEmpty, EmptyTextPasses)
{
    EXPECT_TRUE(IsDateOrEmpty(QString()));
    EXPECT_FALSE(IsDateOrEmpty(" "));
}

TEST(CheckDateInput, RefusesWithTheDateErrorBox)
{
    ScriptedDialogs dialogs;
    EXPECT_EQ(CheckDateInput("2024/05/21", dialogs), 0);
    EXPECT_EQ(CheckDateInput("", dialogs), 0);
    EXPECT_TRUE(dialogs.shown().isEmpty());

    EXPECT_EQ(CheckDateInput("2024/06/00", dialogs), -1);
    ASSERT_EQ(dialogs.shown().size(), 1);
    const ScriptedDialogs::Shown &box = dialogs.shown().first();
    EXPECT_EQ(box.text, QString::fromUtf16(u"この項目には認識できる日付を入力してください。"));
    EXPECT_EQ(box.title, QString::fromUtf16(u"日付チェックエラー"));
    EXPECT_EQ(box.icon, MsgIcon::Critical);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
}

// ------------------------------------------------------------ ranges

TEST(IsInRange, RetentionMonthsOneToTwentyFour)
{
    struct Row {
        const char *text;
        bool inRange;
    };
    for (const Row &r : {Row{"1", true}, Row{"24", true}, Row{"1.5", true}, Row{" 12 ", true},
                         Row{"0", false}, Row{"25", false}, Row{"24.01", false}, Row{"-3", false},
                         Row{"abc", false}}) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(IsInRange(r.text, 1, 24), r.inRange);
    }
}

TEST(IsInRange, EmptyTextIsATypeMismatch)
{
    try {
        IsInRange("", 1, 24);
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::TypeMismatch);
    }
}

} // namespace
