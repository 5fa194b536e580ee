#include "store/DbError.h"
#include "store/GridColumns.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

namespace {

std::string nameOf(const char *name)
{
    return std::string(name);
}

// ------------------------------------------------------------ aliases

struct AliasCase {
    const char *name;
    const char16_t *field;
    const char16_t *caption;
    char16_t letter;   // 0: not an alias
    int width;
};

class GridAliasCase : public ::testing::TestWithParam<AliasCase> {};

TEST_P(GridAliasCase, SplitsCaptionLetterAndWidth)
{
    const AliasCase &c = GetParam();
    const GridAlias a = parseGridAlias(QString::fromUtf16(c.field));
    EXPECT_EQ(a.caption, QString::fromUtf16(c.caption));
    EXPECT_EQ(a.letter, c.letter ? QChar(c.letter) : QChar());
    EXPECT_EQ(a.width, c.width);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridAliasCase,
    ::testing::Values(AliasCase{"key_button", u"管理NoB00900", u"管理No", u'B', 900},
                      AliasCase{"tag_name", u"札名B01200", u"札名", u'B', 1200},
                      AliasCase{"hidden_key", u"IDX1H00000", u"IDX1", u'H', 0},
                      AliasCase{"check_box", u"CKb00500", u"CK", u'b', 500},
                      AliasCase{"half_width_kana", u"ﾃﾞｰﾀ日付D01000", u"ﾃﾞｰﾀ日付", u'D', 1000},
                      AliasCase{"lower_case_letter", u"伝票NOs01000", u"伝票NO", u's', 1000},
                      // The quantity correction's SKU column names no type
                      // letter, so "U" takes that place and hides it.
                      AliasCase{"letter_missing", u"SKU00900", u"SK", u'U', 900},
                      AliasCase{"empty_caption", u"S01500", u"", u'S', 1500},
                      AliasCase{"plain_field_name", u"OMDNNO", u"OMDNNO", 0, 0},
                      AliasCase{"too_short", u"X0090", u"X0090", 0, 0},
                      AliasCase{"width_not_digits", u"金額L009O0", u"金額L009O0", 0, 0}),
    [](const auto &info) { return nameOf(info.param.name); });

// ------------------------------------------------------------ presentation by letter

struct LetterCase {
    const char *name;
    const char16_t *field;
    GridAlign align;
    GridFormat format;
    bool readOnly;
    bool visible;
    bool button;
    bool checkBox;
};

void expectPresentation(const GridColumn &col, const LetterCase &c)
{
    EXPECT_EQ(col.align, c.align);
    EXPECT_EQ(col.format, c.format);
    EXPECT_EQ(col.readOnly, c.readOnly);
    EXPECT_EQ(col.visible, c.visible);
    EXPECT_EQ(col.button, c.button);
    EXPECT_EQ(col.checkBox, c.checkBox);
}

class StandardLetterCase : public ::testing::TestWithParam<LetterCase> {};

TEST_P(StandardLetterCase, Presents)
{
    const LetterCase &c = GetParam();
    const GridColumn col = describeGridColumn(QString::fromUtf16(c.field));
    EXPECT_EQ(col.name, QString::fromUtf16(c.field));
    expectPresentation(col, c);
}

using A = GridAlign;
using F = GridFormat;

INSTANTIATE_TEST_SUITE_P(
    Cases, StandardLetterCase,
    ::testing::Values(
        //          name              field              align       format           ro     shown  button check
        LetterCase{"S_text", u"店舗名称S01500", A::Left, F::None, true, true, false, false},
        LetterCase{"s_centred", u"発注形態s01000", A::Centre, F::None, true, true, false, false},
        LetterCase{"L_whole", u"金額L00900", A::Right, F::Whole, true, true, false, false},
        LetterCase{"C_two_decimals", u"単価C00900", A::Right, F::TwoDecimals, true, true, false, false},
        LetterCase{"F_plain_editable_hidden", u"値F00900", A::Default, F::None, false, false, false, false},
        LetterCase{"B_key_button", u"札名B01200", A::Centre, F::None, true, true, true, false},
        LetterCase{"b_check_box", u"OPCKb00700", A::Centre, F::None, false, true, false, true},
        LetterCase{"D_date", u"納期D01000", A::Centre, F::DateSlashed, true, true, false, false},
        LetterCase{"d_date_button", u"伝票出力日d01000", A::Centre, F::DateSlashed, true, true, true, false},
        LetterCase{"T_time", u"読込み時間T01500", A::Centre, F::Time, true, true, false, false},
        LetterCase{"H_hidden", u"IDX1H00000", A::Default, F::None, true, false, false, false},
        LetterCase{"other_letter_hidden", u"SKU00900", A::Default, F::None, false, false, false, false},
        LetterCase{"letters_are_case_sensitive", u"金額l00900", A::Default, F::None, false, false, false, false},
        LetterCase{"not_an_alias_hidden", u"OMDNNO", A::Default, F::None, false, false, false, false}),
    [](const auto &info) { return nameOf(info.param.name); });

class ImportListLetterCase : public ::testing::TestWithParam<LetterCase> {};

TEST_P(ImportListLetterCase, Presents)
{
    const LetterCase &c = GetParam();
    expectPresentation(describeGridColumn(QString::fromUtf16(c.field), GridLoader::ImportList), c);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportListLetterCase,
    ::testing::Values(
        LetterCase{"S_shown_editable", u"名称S01500", A::Default, F::None, false, true, false, false},
        LetterCase{"F_shown", u"値F00900", A::Default, F::None, false, true, false, false},
        LetterCase{"L_whole", u"伝票件数L00900", A::Right, F::Whole, false, true, false, false},
        LetterCase{"C_two_decimals", u"単価C00900", A::Right, F::TwoDecimals, false, true, false, false},
        LetterCase{"B_button", u"管理NoB00900", A::Centre, F::None, false, true, true, false},
        LetterCase{"D_kanji_date", u"データ日付D01500", A::Centre, F::DateKanji, false, true, false, false},
        LetterCase{"T_time", u"読込み時間T01500", A::Centre, F::Time, false, true, false, false},
        LetterCase{"H_hidden", u"IDX1H00000", A::Default, F::None, false, false, false, false},
        // Letters the reduced loader does not know leave the column as created.
        LetterCase{"s_unknown_here", u"発注形態s01000", A::Default, F::None, false, true, false, false},
        LetterCase{"b_unknown_here", u"CKb00500", A::Default, F::None, false, true, false, false},
        LetterCase{"d_unknown_here", u"出力日d01000", A::Default, F::None, false, true, false, false}),
    [](const auto &info) { return nameOf(info.param.name); });

// ------------------------------------------------------------ formats

struct FormatCase {
    const char *name;
    const char16_t *text;
    GridFormat format;
    const char16_t *shown;
};

class GridFormatCase : public ::testing::TestWithParam<FormatCase> {};

TEST_P(GridFormatCase, Shows)
{
    const FormatCase &c = GetParam();
    EXPECT_EQ(formatGridText(QString::fromUtf16(c.text), c.format), QString::fromUtf16(c.shown));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridFormatCase,
    ::testing::Values(
        FormatCase{"whole_grouped", u"1234567", F::Whole, u"1,234,567"},
        FormatCase{"whole_negative", u"-1234", F::Whole, u"-1,234"},
        FormatCase{"whole_rounds_half_up", u"1234.5", F::Whole, u"1,235"},
        FormatCase{"whole_rounds_carry", u"999.5", F::Whole, u"1,000"},
        FormatCase{"whole_negative_half_away", u"-2.5", F::Whole, u"-3"},
        FormatCase{"whole_small_negative_is_zero", u"-0.4", F::Whole, u"0"},
        FormatCase{"whole_leading_zeros", u"000150", F::Whole, u"150"},
        FormatCase{"whole_blanks_around", u"  42 ", F::Whole, u"42"},
        FormatCase{"whole_full_width", u"１２３４", F::Whole, u"1,234"},
        FormatCase{"whole_three_digits", u"980", F::Whole, u"980"},
        FormatCase{"whole_empty", u"", F::Whole, u""},
        FormatCase{"whole_not_a_number", u"5-2", F::Whole, u"5-2"},
        FormatCase{"two_decimals_padded", u"1234.5", F::TwoDecimals, u"1,234.50"},
        FormatCase{"two_decimals_integer", u"12", F::TwoDecimals, u"12.00"},
        // Rounded on the written digits: as a double 1234.565 lies below
        // the half and would round down.
        FormatCase{"two_decimals_exact_half", u"1234.565", F::TwoDecimals, u"1,234.57"},
        FormatCase{"two_decimals_tiny", u"0.005", F::TwoDecimals, u"0.01"},
        FormatCase{"two_decimals_negative_zero", u"-0.004", F::TwoDecimals, u"0.00"},
        FormatCase{"two_decimals_exponent", u"1.5e3", F::TwoDecimals, u"1,500.00"},
        FormatCase{"date_yymmdd", u"240315", F::DateSlashed, u"24/03/15"},
        FormatCase{"date_leading_zero_year", u"050315", F::DateSlashed, u"05/03/15"},
        FormatCase{"date_eight_digits", u"20240315", F::DateSlashed, u"2024/03/15"},
        FormatCase{"date_short_padded", u"315", F::DateSlashed, u"00/03/15"},
        FormatCase{"date_already_slashed", u"24/03/15", F::DateSlashed, u"24/03/15"},
        FormatCase{"date_empty", u"", F::DateSlashed, u""},
        FormatCase{"date_kanji", u"250131", F::DateKanji, u"25年01月31日"},
        FormatCase{"time", u"093000", F::Time, u"09:30:00"},
        FormatCase{"time_lost_leading_zero", u"93000", F::Time, u"09:30:00"},
        FormatCase{"no_format_keeps_text", u"001234", F::None, u"001234"}),
    [](const auto &info) { return nameOf(info.param.name); });

TEST(GridValueText, NullAndNumbersBecomeTexts)
{
    EXPECT_EQ(gridValueText(QVariant()), QString(""));
    EXPECT_EQ(gridValueText(QString("")), QString(""));
    EXPECT_EQ(gridValueText(QString("000150")), QString("000150"));
    EXPECT_EQ(gridValueText(qlonglong(0)), QString("0"));
    EXPECT_EQ(gridValueText(qlonglong(-1)), QString("-1"));
    EXPECT_EQ(gridValueText(1.5), QString("1.5"));
    EXPECT_EQ(gridValueText(0.1 + 0.2), QString("0.3"));
    EXPECT_EQ(gridValueText(19800.0), QString("19800"));
}

TEST(TickText, FlagTexts)
{
    EXPECT_TRUE(isTickedText("-1"));
    EXPECT_TRUE(isTickedText("1"));
    EXPECT_TRUE(isTickedText("True"));
    EXPECT_FALSE(isTickedText("0"));
    EXPECT_FALSE(isTickedText(""));
    EXPECT_FALSE(isTickedText("x"));
    EXPECT_EQ(tickText(true), QString("-1"));
    EXPECT_EQ(tickText(false), QString("0"));
}

// ------------------------------------------------------------ the array

TEST(GridDataArray, RowsAlwaysHoldOneTextPerColumn)
{
    GridData d({describeGridColumn("IDX1H00000"), describeGridColumn(QString::fromUtf16(u"伝票NoB01000")),
                describeGridColumn(QString::fromUtf16(u"店舗名称S01500"))});
    d.appendRow({"7"});
    d.appendRow({"8", "A2", "s", "extra"});
    ASSERT_EQ(d.rowCount(), 2);
    EXPECT_EQ(d.row(0), QStringList({"7", "", ""}));
    EXPECT_EQ(d.row(1), QStringList({"8", "A2", "s"}));

    d.swapRows(0, 1);
    EXPECT_EQ(d.text(0, 0), QString("8"));
    d.insertRow(1, {"9"});
    EXPECT_EQ(d.text(1, 0), QString("9"));
    d.removeRow(0);
    EXPECT_EQ(d.text(0, 0), QString("9"));

    EXPECT_EQ(d.indexOf(QString::fromUtf16(u"伝票No")), 1);
    EXPECT_EQ(d.indexOf("IDX1"), 0);
    EXPECT_EQ(d.indexOf("nothing"), -1);

    d.clearRows();
    EXPECT_EQ(d.rowCount(), 0);
    EXPECT_EQ(d.columnCount(), 3);
}

// ------------------------------------------------------------ loading from a query

class LoadGridDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        db->execute("Insert Into TBL_SEM_B(INDEXNOH2,DEN_NO,DEN_NOUKI,HA_NO,KINGAKU_KEI,HA_FLG,KIKANNAI_FLG) "
                    "Values(12,'0000123','240315','H001',1234567,'-1','-1')");
        // A slip without lines has a Null amount; its choice flag is empty.
        db->execute("Insert Into TBL_SEM_B(INDEXNOH2,DEN_NO,DEN_NOUKI,HA_NO,KINGAKU_KEI,HA_FLG,KIKANNAI_FLG) "
                    "Values(13,'0000124','050401',Null,Null,'','-1')");
    }

    // The billing screen's list of this period's slips.
    const QString thisPeriod = QString::fromUtf16(
        u"Select INDEXNOH2 as IDXH00000,HA_FLG as CKb00500,DEN_NO as 伝票NOs01000,DEN_NOUKI as 伝票日付D00900,"
        u"HA_NO as 発注NOs00900,KINGAKU_KEI as 金額L00900 From TBL_SEM_B SEB Where KIKANNAI_FLG='-1' "
        u"Order By INDEXNOH2");

    TempDataFolder folder;
    Database *db = nullptr;
};

TEST_F(LoadGridDataTest, KeepsEveryValueAsTextInFieldOrder)
{
    const GridData d = loadGridData(*db, thisPeriod);
    ASSERT_EQ(d.columnCount(), 6);
    QStringList captions;
    for (const GridColumn &c : d.columns())
        captions << c.caption;
    EXPECT_EQ(captions, QStringList({"IDX", "CK", QString::fromUtf16(u"伝票NO"), QString::fromUtf16(u"伝票日付"),
                                     QString::fromUtf16(u"発注NO"), QString::fromUtf16(u"金額")}));
    EXPECT_FALSE(d.column(0).visible);
    EXPECT_TRUE(d.column(1).checkBox);
    EXPECT_EQ(d.column(5).width, 900);

    ASSERT_EQ(d.rowCount(), 2);
    // The array holds the texts; formats apply only when shown.
    EXPECT_EQ(d.row(0), QStringList({"12", "-1", "0000123", "240315", "H001", "1234567"}));
    EXPECT_EQ(d.row(1), QStringList({"13", "", "0000124", "050401", "", ""}));
    EXPECT_EQ(formatGridText(d.text(0, 5), d.column(5).format), QString("1,234,567"));
    EXPECT_EQ(formatGridText(d.text(1, 3), d.column(3).format), QString("05/04/01"));
}

TEST_F(LoadGridDataTest, NoRowsStillBuildsEveryColumn)
{
    const GridData d = loadGridData(*db, QString(thisPeriod).replace("'-1' ", "'x' "));
    EXPECT_EQ(d.rowCount(), 0);
    EXPECT_EQ(d.columnCount(), 6);
    EXPECT_EQ(d.column(2).caption, QString::fromUtf16(u"伝票NO"));
}

TEST_F(LoadGridDataTest, ComputedColumnsKeepTheirNumbers)
{
    const GridData d = loadGridData(
        *db, QString::fromUtf16(u"Select -1 as CKb00500, '000150' / 10 as 納品数L00900, 1.0 / 4 as 率C00900"));
    ASSERT_EQ(d.rowCount(), 1);
    EXPECT_EQ(d.row(0), QStringList({"-1", "15", "0.25"}));
}

TEST_F(LoadGridDataTest, QueryErrorsAndWritesThrow)
{
    try {
        loadGridData(*db, "Select Nothing From NoSuchTable");
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_GT(e.number(), 0);
        EXPECT_FALSE(e.description().isEmpty());
    }
    EXPECT_THROW(loadGridData(*db, "Delete From TBL_SEM_B"), DbError);
    EXPECT_EQ(db->scalar("Select Count(*) From TBL_SEM_B").toInt(), 2);
}

TEST_F(LoadGridDataTest, ImportListLoaderShowsItsOwnWay)
{
    const GridData d = loadGridData(
        *db, QString::fromUtf16(u"Select 7 as 管理NoB00900, '250131' as データ日付D01500, 'x' as IDX1H00000"),
        GridLoader::ImportList);
    EXPECT_TRUE(d.column(0).button);
    EXPECT_FALSE(d.column(0).readOnly);
    EXPECT_EQ(formatGridText(d.text(0, 1), d.column(1).format), QString::fromUtf16(u"25年01月31日"));
    EXPECT_FALSE(d.column(2).visible);
    EXPECT_EQ(d.text(0, 2), QString("x"));
}

} // namespace
