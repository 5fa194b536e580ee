#include "store/DbCommon.h"
#include "store/Schema.h"
#include "support/TempDataFolder.h"

#include <QFile>
#include <QFileInfo>

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

TEST(CutField, CutsOnBytesAndAdvancesThePosition)
{
    const QString line = QString::fromUtf16(u"B01納品ｶﾅ  X");
    FieldReadPosition = 1;
    EXPECT_EQ(CutField(line, 1, 1), "B");
    EXPECT_EQ(CutField(line, 2, 2), "01");
    EXPECT_EQ(CutField(line, 4, 4), QString::fromUtf16(u"納品"));
    EXPECT_EQ(CutField(line, 8, 4), QString::fromUtf16(u"ｶﾅ"));   // trailing blanks removed
    EXPECT_EQ(FieldReadPosition, 12);
    EXPECT_EQ(CutField(QString("  07  "), 1, 6), QString("  07"));   // leading blanks stay
}

// ------------------------------------------------------------ database

class DataFolderTest : public ::testing::Test {
protected:
    TempDataFolder folder;
};

TEST_F(DataFolderTest, FirstStartCreatesBothFilesWithDefaults)
{
    Database &db = folder.prepare();
    EXPECT_TRUE(QFileInfo::exists(folder.file("data.db")));
    EXPECT_TRUE(QFileInfo::exists(folder.file("common.db")));
    EXPECT_FALSE(QFileInfo::exists(folder.file("data.db.new")));

    for (const char *key : {"H1", "H2", "BD", "ZH", "JNO"}) {
        SCOPED_TRACE(key);
        Recordset rs = db.query("SELECT IVal, IStart, IEnd FROM MST_IDX WHERE IKey=?", {QString(key)});
        ASSERT_FALSE(rs.eof());
        EXPECT_EQ(rs.field(0).toInt(), 1);
        EXPECT_EQ(rs.field(1).toInt(), 1);
        EXPECT_EQ(rs.field(2).toInt(), 99999999);
    }
    for (const char *key : {"SHIME_BI_J", "SHIME_BI_I", "ZENKAI_SEIKYU_BI"})
        EXPECT_EQ(db.scalar("SELECT VALUEC FROM MST_JYOUKEN WHERE KEYC=?", {QString(key)}).toString(), "");
    EXPECT_EQ(db.scalar("SELECT Menu_Name FROM MST_MENU WHERE Menu_No='0' AND Menu_No_IDX=0").toString(),
              QString::fromUtf16(u"メインメニュー"));

    // The chain masters live in common.db and are reached by their bare names.
    for (const char *t : {"MST_HUDASYU", "MST_GUNBAN", "MST_JIGYOUBU", "MST_TCBASE"}) {
        SCOPED_TRACE(t);
        EXPECT_TRUE(db.tableExists(t, Schema::commonSchema()));
        EXPECT_FALSE(db.tableExists(t, "main"));
        EXPECT_GT(db.scalar(QString("SELECT count(*) FROM %1").arg(t)).toInt(), 0);
    }
    EXPECT_EQ(db.scalar("PRAGMA main.user_version").toInt(), Schema::Version);
}

TEST_F(DataFolderTest, EveryDeclaredTableExists)
{
    Database &db = folder.prepare();
    for (const TableDef &t : Schema::tables()) {
        SCOPED_TRACE(t.name.toStdString());
        EXPECT_TRUE(db.tableExists(t.name));
    }
}

TEST_F(DataFolderTest, NewSlipHeadersDefaultToNotIssuedAndNotBilled)
{
    Database &db = folder.prepare();
    db.execute("INSERT INTO TBL_RD_H2(INDEXNOH2, OMDNNO) VALUES (1, '000001')");
    EXPECT_EQ(db.scalar("SELECT HAKKOU_FLG FROM TBL_RD_H2").toString(), "0");
    EXPECT_EQ(db.scalar("SELECT SEIKYU_FLG FROM TBL_RD_H2").toString(), "0");
}

TEST_F(DataFolderTest, ReopeningKeepsTheData)
{
    Database &db = folder.prepare();
    db.execute("INSERT INTO MST_GUNBAN(GUN_CD, GUN_NAME) VALUES ('9999', 'テスト群')");
    SetJoukenValue(db, "SHIME_BI_J", "261120");
    ScriptedDialogs d;
    ASSERT_EQ(OpenDatabase(false, d), 0);
    DataFolder::prepare();   // must not recreate anything
    ASSERT_EQ(OpenDatabase(true, d), 0);
    Database &again = RequireConnection();
    EXPECT_EQ(again.scalar("SELECT GUN_NAME FROM MST_GUNBAN WHERE GUN_CD='9999'").toString(),
              QString::fromUtf16(u"テスト群"));
    EXPECT_EQ(GetJoukenValue(again, "SHIME_BI_J"), "261120");
    EXPECT_TRUE(d.shown().isEmpty());
}

TEST_F(DataFolderTest, AnExistingCommonFileIsKeptAndDecidesTheSharedTables)
{
    {
        auto c = Database::open(folder.file("common.db"), true);
        c->execute("CREATE TABLE MST_NOUADD (TOK_CD TEXT, NOU_CD TEXT, NOU_NAME TEXT, NOU_ADD TEXT)");
        c->execute("INSERT INTO MST_NOUADD VALUES ('000001','0001','本部','東京')");
    }
    Database &db = folder.prepare();
    EXPECT_FALSE(db.tableExists("MST_NOUADD", "main"));
    EXPECT_EQ(db.scalar("SELECT NOU_NAME FROM MST_NOUADD").toString(), QString::fromUtf16(u"本部"));
    // The chain masters it lacked are created in data.db.
    EXPECT_TRUE(db.tableExists("MST_HUDASYU", "main"));
}

TEST_F(DataFolderTest, MissingCommonFileIsReportedWithTheErrorBox)
{
    folder.prepare();
    ScriptedDialogs d;
    OpenDatabase(false, d);
    QFile::remove(folder.file("common.db"));
    EXPECT_EQ(OpenDatabase(true, d), DbErr::DatabaseFileMissing);
    ASSERT_EQ(d.shown().size(), 1);
    EXPECT_EQ(d.shown()[0].text, dataAccessErrorText(DbErr::DatabaseFileMissing));
    EXPECT_EQ(d.shown()[0].icon, MsgIcon::None);
    EXPECT_EQ(AppConnection(), nullptr);
}

TEST_F(DataFolderTest, ClosingWithoutConnectionIsSilent)
{
    ScriptedDialogs d;
    EXPECT_EQ(OpenDatabase(false, d), 0);
    EXPECT_TRUE(d.shown().isEmpty());
}

TEST_F(DataFolderTest, UpgradeAddsMissingColumnsWithoutLosingRows)
{
    Database &db = folder.prepare();
    // A data.db of an older version without TBL_HUDA.OP_DATE.
    db.execute("DROP TABLE TBL_HUDA");
    db.execute("CREATE TABLE TBL_HUDA (INDEXNOH1 INTEGER, NEHUDA_SYU TEXT, NEHUDA_KUBUN TEXT, TAG_SYU TEXT, SUU INTEGER)");
    db.execute("INSERT INTO TBL_HUDA VALUES (1, '1', '1', 'x', 3)");
    db.execute("PRAGMA main.user_version = 0");
    ScriptedDialogs d;
    ASSERT_EQ(OpenDatabase(true, d), 0);
    Database &up = RequireConnection();
    EXPECT_EQ(up.scalar("SELECT SUU FROM TBL_HUDA").toInt(), 3);
    EXPECT_TRUE(up.columns("TBL_HUDA").contains("OP_DATE"));
    EXPECT_EQ(up.scalar("PRAGMA main.user_version").toInt(), Schema::Version);
}

// ------------------------------------------------------------ numbering

class Numbering : public ::testing::Test {
protected:
    void SetUp() override { db = &folder.prepare(); }
    TempDataFolder folder;
    Database *db = nullptr;
};

TEST_F(Numbering, HandsOutInOrder)
{
    EXPECT_EQ(GetNextIndex(*db, "H1"), 1);
    EXPECT_EQ(GetNextIndex(*db, "H1"), 2);
    EXPECT_EQ(GetNextIndex(*db, "H2"), 1);
    EXPECT_EQ(db->scalar("SELECT IVal FROM MST_IDX WHERE IKey='H1'").toInt(), 3);
}

TEST_F(Numbering, WrapsFromEndToStart)
{
    db->execute("UPDATE MST_IDX SET IVal=99, IStart=5, IEnd=99 WHERE IKey='BD'");
    EXPECT_EQ(GetNextIndex(*db, "BD"), 99);
    EXPECT_EQ(db->scalar("SELECT IVal FROM MST_IDX WHERE IKey='BD'").toInt(), 5);
    EXPECT_EQ(GetNextIndex(*db, "BD"), 5);
}

TEST_F(Numbering, RolledBackCallerGivesItsNumbersBack)
{
    db->begin();
    EXPECT_EQ(GetNextIndex(*db, "H2"), 1);
    EXPECT_EQ(GetNextIndex(*db, "H2"), 2);
    db->rollback();
    EXPECT_EQ(GetNextIndex(*db, "H2"), 1);
}

TEST_F(Numbering, UnknownSeriesIsAnError)
{
    EXPECT_THROW(GetNextIndex(*db, "XX"), DbError);
    EXPECT_EQ(db->transactionDepth(), 0);
}

TEST_F(Numbering, ConditionValues)
{
    EXPECT_EQ(GetJoukenValue(*db, "NO_SUCH_KEY"), "");
    SetJoukenValue(*db, "NEW_KEY", "a'b");
    EXPECT_EQ(GetJoukenValue(*db, "NEW_KEY"), "a'b");
    SetJoukenValue(*db, "NEW_KEY", "");
    EXPECT_EQ(GetJoukenValue(*db, "NEW_KEY"), "");
    // Stored as empty text, not Null.
    EXPECT_FALSE(db->scalar("SELECT VALUEC FROM MST_JYOUKEN WHERE KEYC='NEW_KEY'").isNull());
    EXPECT_EQ(db->scalar("SELECT count(*) FROM MST_JYOUKEN WHERE KEYC='NEW_KEY'").toInt(), 1);
}

} // namespace
