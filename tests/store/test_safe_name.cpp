// The file-name rule shared by every file the program names from data or
// from a definition.

#include "store/DbError.h"
#include "store/SafeName.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char *name;
    QString given;
    QString made;    // the name made fit; equal to `given` when it is fit
};

class SafeNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SafeNames, MadeFitAndRefusedWhenNotFit)
{
    const NameCase &c = GetParam();
    EXPECT_EQ(SafeName::made(c.given), c.made);
    EXPECT_EQ(SafeName::problem(c.made), QString()) << "a made name must be fit";
    const bool fit = c.given == c.made;
    EXPECT_EQ(SafeName::problem(c.given).isEmpty(), fit) << SafeName::problem(c.given).toStdString();
    if (fit) {
        EXPECT_NO_THROW(SafeName::require(c.given, "名前"));
    } else {
        try {
            SafeName::require(c.given, QStringLiteral("出力ファイル名"));
            ADD_FAILURE() << "accepted";
        } catch (const DbError &e) {
            EXPECT_EQ(e.number(), DbErr::PathAccess);
            EXPECT_TRUE(e.description().startsWith(QStringLiteral("出力ファイル名「") + c.given + QStringLiteral("」")))
                << e.description().toStdString();
        }
    }
}

const QString Kanji250 = QString(84, QChar(0x5E97));   // 店: three bytes each, 252 in all

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeNames,
    ::testing::Values(
        NameCase{"plain", "12.CSV", "12.CSV"},
        NameCase{"japanese", QStringLiteral("260401_7_ｶｽﾀﾑ_東京_店.xlsx"), QStringLiteral("260401_7_ｶｽﾀﾑ_東京_店.xlsx")},
        NameCase{"dots_inside", "...CSV", "...CSV"},
        NameCase{"stream_colon", "1:.CSV", "1_.CSV"},
        NameCase{"wildcards", "*?.CSV", "__.CSV"},
        NameCase{"every_forbidden", "a\\b/c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        NameCase{"control_characters", QStringLiteral("a\tb\x01" "c\x7F"), "a_b_c_"},
        NameCase{"trailing_dot", "OUT.", "OUT_"},
        NameCase{"trailing_blanks", "OUT  ", "OUT__"},
        NameCase{"dot", ".", "_"},
        NameCase{"dot_dot", "..", "__"},
        NameCase{"empty", "", "_"},
        NameCase{"device", "CON", "_CON"},
        NameCase{"device_lower_with_extension", "nul.csv", "_nul.csv"},
        NameCase{"device_two_extensions", "Aux.tar.gz", "_Aux.tar.gz"},
        NameCase{"device_numbered", "com1.txt", "_com1.txt"},
        NameCase{"device_printer_port", "LPT9", "_LPT9"},
        NameCase{"device_blank_before_dot", "PRN .csv", "_PRN .csv"},
        NameCase{"device_superscript", QStringLiteral("COM\u00B9"), QStringLiteral("_COM\u00B9")},
        NameCase{"not_a_device_longer", "CONSOLE.csv", "CONSOLE.csv"},
        NameCase{"not_a_device_com0", "COM0", "COM0"},
        NameCase{"not_a_device_com10", "COM10", "COM10"},
        NameCase{"longest_fit", QString(251, 'a') + ".CSV", QString(251, 'a') + ".CSV"},
        NameCase{"one_byte_too_long", QString(252, 'a') + ".CSV", QString(251, 'a') + ".CSV"},
        // 店 takes three bytes: the cut falls between characters, never inside one
        NameCase{"cut_between_characters", Kanji250 + "x.xlsx", QString(83, QChar(0x5E97)) + ".xlsx"},
        NameCase{"cut_before_a_pair", QString(249, 'a') + QStringLiteral("\U0001F600") + ".CSV",
                 QString(249, 'a') + ".CSV"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SafeNameTruncated, KeepsWholeCharacters)
{
    EXPECT_EQ(SafeName::truncated(QStringLiteral("東京都"), 8), QStringLiteral("東京"));
    EXPECT_EQ(SafeName::truncated(QStringLiteral("東京都"), 9), QStringLiteral("東京都"));
    EXPECT_EQ(SafeName::truncated(QStringLiteral("a\U0001F600"), 4), QStringLiteral("a"));
    EXPECT_EQ(SafeName::truncated(QStringLiteral("abc"), 0), QString());
}

} // namespace
