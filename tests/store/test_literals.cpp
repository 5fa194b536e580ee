#include "store/DbError.h"
#include "store/Literals.h"
#include "store/Rounding.h"

#include <gtest/gtest.h>

namespace {

// ------------------------------------------------------------ literals

struct TextCase {
    const char *name;
    QVariant value;
    bool comma;
    bool alwaysQuote;
    const char16_t *expected;
};

class SqlTextCase : public ::testing::TestWithParam<TextCase> {};

TEST_P(SqlTextCase, Builds)
{
    const TextCase &c = GetParam();
    EXPECT_EQ(SqlText(c.value, c.comma, c.alwaysQuote), QString::fromUtf16(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SqlTextCase,
    ::testing::Values(TextCase{"quote_doubled", QString("O'Neil"), false, true, u"'O''Neil' "},
                      TextCase{"empty_gives_null", QString(""), false, false, u"Null "},
                      TextCase{"empty_forced_quotes", QString(""), false, true, u"'' "},
                      TextCase{"null_counts_as_empty", QVariant(), true, false, u"Null,"},
                      TextCase{"two_quotes_pass", QString("''"), false, false, u"'' "},
                      TextCase{"comma", QString("A"), true, false, u"'A',"},
                      TextCase{"japanese", QString::fromUtf16(u"納品'先"), false, false, u"'納品''先' "},
                      TextCase{"injection_stays_a_literal", QString("x'); DELETE FROM T; --"), false, true,
                               u"'x''); DELETE FROM T; --' "}),
    [](const auto &info) { return std::string(info.param.name); });

struct NumberCase {
    const char *name;
    QVariant value;
    bool comma;
    const char *expected;
};

class SqlNumberCase : public ::testing::TestWithParam<NumberCase> {};

TEST_P(SqlNumberCase, Builds)
{
    const NumberCase &c = GetParam();
    EXPECT_EQ(SqlNumber(c.value, c.comma), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SqlNumberCase,
    ::testing::Values(NumberCase{"true_text", QString("True"), true, "-1,"},
                      NumberCase{"false_text", QString("False"), false, "0 "},
                      NumberCase{"not_numeric", QString("12a"), false, "Null "},
                      NumberCase{"empty", QString(""), false, "Null "},
                      NumberCase{"null", QVariant(), true, "Null,"},
                      NumberCase{"digits", QString("000150"), false, "000150 "},
                      NumberCase{"integer", 42, false, "42 "},
                      NumberCase{"real", 1.5, true, "1.5,"},
                      NumberCase{"negative", QString("-7"), false, "-7 "},
                      NumberCase{"comment_is_not_a_number", QString("1--"), false, "Null "},
                      NumberCase{"injection_is_null", QString("1 OR 1=1"), false, "Null "}),
    [](const auto &info) { return std::string(info.param.name); });

// The engine stops reading a statement at a NUL: a literal holding one
// would cut the statement, so it is refused, naming where it came from.
TEST(SqlText, RefusesNulNamingTheSource)
{
    const QString withNul = QStringLiteral("77") + QChar(0) + QStringLiteral("99");
    for (const bool quote : {false, true}) {
        SCOPED_TRACE(quote);
        try {
            SqlText(withNul, false, quote, QStringLiteral("Gyoum.ini の TORIHIKISAKI_CD"));
            ADD_FAILURE() << "accepted";
        } catch (const DbError &e) {
            EXPECT_EQ(e.number(), DbErr::InvalidArgument);
            EXPECT_TRUE(e.description().startsWith(QStringLiteral("Gyoum.ini の TORIHIKISAKI_CD")))
                << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(QStringLiteral("NUL"))) << e.description().toStdString();
        }
    }
    EXPECT_THROW(SqlText(QVariant(QByteArray("a\0b", 3))), DbError);
    EXPECT_EQ(SqlText(QStringLiteral("\x01")), QStringLiteral("'\x01' "));   // other control characters pass
}

TEST(NzValue, ReplacesOnlyNullAndEmptyText)
{
    EXPECT_EQ(NzValue(0, 5).toInt(), 0);
    EXPECT_EQ(NzValue(QString(""), 5).toInt(), 5);
    EXPECT_EQ(NzValue(QVariant(), QVariant()).toString(), QString(""));
    EXPECT_EQ(NzValue(QVariant(), QVariant()).typeId(), QMetaType::QString);
    EXPECT_EQ(NzValue(QString("x"), 5).toString(), "x");
}

struct RoundCase {
    const char *name;
    double value;
    int digits;
    int mode;
    double expected;
};

class RoundAmountCase : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundAmountCase, Rounds)
{
    const RoundCase &c = GetParam();
    EXPECT_DOUBLE_EQ(RoundAmount(c.value, c.digits, c.mode), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoundAmountCase,
    ::testing::Values(RoundCase{"mode1_rounds_up_a_tenth", 123.45, 0, 1, 124},
                      RoundCase{"mode1_below_a_tenth", 123.05, 0, 1, 123},
                      RoundCase{"mode3_half_away_from_zero", -2.5, 0, 3, -3},
                      RoundCase{"mode3_half_positive", 2.5, 0, 3, 3},
                      RoundCase{"mode2_truncates", 9.99, 0, 2, 9},
                      RoundCase{"mode2_negative_truncates", -9.99, 0, 2, -9},
                      RoundCase{"two_digits_decimal_exact", 0.29, 2, 2, 0.29},
                      RoundCase{"two_digits_half", 1.005, 2, 3, 1.01},
                      RoundCase{"negative_digits", 1234, -2, 3, 1200},
                      RoundCase{"zero", 0, 0, 3, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RoundAmount, AFailureGivesZeroAndTheMessageForTheCaller)
{
    QString error;
    EXPECT_EQ(RoundAmount(1e300, 10, 3, &error), 0);
    EXPECT_EQ(error, QString::fromUtf16(u"金額計算中にエラーを検出"));

    QString untouched = "x";
    EXPECT_DOUBLE_EQ(RoundAmount(2.5, 0, 3, &untouched), 3);
    EXPECT_EQ(untouched, "x");
    EXPECT_EQ(RoundAmount(1e300, 10, 3), 0);   // without a place for the message
}

} // namespace
