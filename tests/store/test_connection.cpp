#include "store/Conditions.h"
#include "store/Connection.h"
#include "store/Numbering.h"
#include "store/Schema.h"
#include "support/TempDataFolder.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// ------------------------------------------------------------ database

class DataFolderTest : public ::testing::Test {
protected:
    TempDataFolder folder;
};

TEST_F(DataFolderTest, FirstStartCreatesBothFilesWithDefaults)
{
    if (testsOnServer())
        GTEST_SKIP() << "about the data folder's database files";
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
    ASSERT_EQ(OpenDatabase(false), 0);
    DataFolder::prepare();   // must not recreate anything
    ASSERT_EQ(OpenDatabase(true), 0);
    Database &again = RequireConnection();
    EXPECT_EQ(again.scalar("SELECT GUN_NAME FROM MST_GUNBAN WHERE GUN_CD='9999'").toString(),
              QString::fromUtf16(u"テスト群"));
    EXPECT_EQ(GetJoukenValue(again, "SHIME_BI_J"), "261120");
}

TEST_F(DataFolderTest, AnExistingCommonFileIsKeptAndDecidesTheSharedTables)
{
    if (testsOnServer())
        GTEST_SKIP() << "about the data folder's database files";
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

TEST_F(DataFolderTest, MissingCommonFileGivesItsNumberAndNoConnection)
{
    if (testsOnServer())
        GTEST_SKIP() << "about the data folder's database files";
    folder.prepare();
    OpenDatabase(false);
    QFile::remove(folder.file("common.db"));
    EXPECT_EQ(OpenDatabase(true), DbErr::DatabaseFileMissing);
    EXPECT_EQ(AppConnection(), nullptr);
    EXPECT_THROW(RequireConnection(), DbError);
}

TEST_F(DataFolderTest, OpeningWhileAnotherProgramHoldsTheFileSaysSo)
{
    if (testsOnServer())
        GTEST_SKIP() << "about the data folder's database files";
    folder.prepare();
    OpenDatabase(false);
    // Another program's long transaction that spilled to the file.
    auto other = Database::open(folder.file("data.db"));
    other->executeScript("BEGIN EXCLUSIVE");
    const int rc = OpenDatabase(true);
    EXPECT_EQ(rc, DbErr::SqliteBase + 5);
    EXPECT_EQ(AppConnection(), nullptr);
    EXPECT_EQ(dataAccessErrorText(rc),
              QStringLiteral("データアクセス中にエラーが発生しました。\n10005 この番号を管理者に伝えてください。\n"
                             "他のプログラムがデータを使用中です。しばらく待ってからもう一度実行してください。"));
    other->executeScript("ROLLBACK");
    EXPECT_EQ(OpenDatabase(true), 0);
}

TEST_F(DataFolderTest, ClosingWithoutConnectionGivesZero)
{
    EXPECT_EQ(OpenDatabase(false), 0);
}

TEST_F(DataFolderTest, UpgradeAddsMissingColumnsWithoutLosingRows)
{
    if (testsOnServer())
        GTEST_SKIP() << "about the data folder's database files";
    Database &db = folder.prepare();
    // A data.db of an older version without TBL_HUDA.OP_DATE.
    db.execute("DROP TABLE TBL_HUDA");
    db.execute("CREATE TABLE TBL_HUDA (INDEXNOH1 INTEGER, NEHUDA_SYU TEXT, NEHUDA_KUBUN TEXT, TAG_SYU TEXT, SUU INTEGER)");
    db.execute("INSERT INTO TBL_HUDA VALUES (1, '1', '1', 'x', 3)");
    db.execute("PRAGMA main.user_version = 0");
    ASSERT_EQ(OpenDatabase(true), 0);
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
