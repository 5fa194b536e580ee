#include "store/Database.h"
#include "store/JetFunctions.h"
#include "JetCases.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        db = Database::open(dir.filePath("t.db"), true);
        db->execute("CREATE TABLE T (K TEXT PRIMARY KEY, V INTEGER)");
    }
    qint64 count() { return db->scalar("SELECT count(*) FROM T").toLongLong(); }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(DatabaseTest, NestedTransactionsBecomeSavepoints)
{
    db->begin();
    db->execute("INSERT INTO T VALUES ('a', 1)");
    db->begin();
    db->execute("INSERT INTO T VALUES ('b', 2)");
    db->commit();                 // inner level released ...
    EXPECT_EQ(db->transactionDepth(), 1);
    db->rollback();               // ... and undone with the outer one
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(db->transactionDepth(), 0);
}

TEST_F(DatabaseTest, InnerRollbackKeepsOuterWork)
{
    Transaction outer(*db);
    db->execute("INSERT INTO T VALUES ('a', 1)");
    {
        Transaction inner(*db);
        db->execute("INSERT INTO T VALUES ('b', 2)");
    }   // not committed: rolled back
    outer.commit();
    EXPECT_EQ(count(), 1);
}

TEST_F(DatabaseTest, FailuresCarryNumberAndDescription)
{
    db->execute("INSERT INTO T VALUES ('a', 1)");
    try {
        db->execute("INSERT INTO T VALUES ('a', 2)");
        FAIL() << "duplicate key accepted";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::SqliteBase + 1555);   // SQLITE_CONSTRAINT_PRIMARYKEY
        EXPECT_FALSE(e.description().isEmpty());
    }
    EXPECT_THROW(db->execute("SELEKT 1"), DbError);
}

TEST_F(DatabaseTest, SecondStatementIsRefused)
{
    // A value pasted into SQL must never be able to run a statement of its own.
    EXPECT_THROW(db->execute("INSERT INTO T VALUES ('a', 1); DELETE FROM T"), DbError);
    EXPECT_EQ(count(), 0);
    EXPECT_NO_THROW(db->execute("INSERT INTO T VALUES ('a', 1);  "));
}

TEST_F(DatabaseTest, ReadOnlyQueryRefusesWrites)
{
    EXPECT_THROW(db->queryReadOnly("DELETE FROM T"), DbError);
    EXPECT_THROW(db->queryReadOnly("BEGIN"), DbError);
    EXPECT_EQ(db->transactionDepth(), 0);
    EXPECT_NO_THROW(db->queryReadOnly("SELECT * FROM T"));
}

TEST_F(DatabaseTest, RecordsetReadsForwardByName)
{
    db->execute("INSERT INTO T VALUES ('x', 7)");
    db->execute("INSERT INTO T VALUES ('y', NULL)");
    Recordset rs = db->query("SELECT K, V FROM T ORDER BY K");
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.text("k"), "x");
    EXPECT_EQ(rs.field("V").toInt(), 7);
    rs.moveNext();
    EXPECT_TRUE(rs.field("V").isNull());
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.field("K"), DbError);
}

TEST_F(DatabaseTest, PreparedStatementRunsOncePerRecord)
{
    Statement st = db->prepare("INSERT INTO T VALUES (?, ?)");
    for (int i = 0; i < 3; ++i) {
        st.bindText(1, QString("k%1").arg(i));
        st.bindInt(2, i);
        st.execute();
    }
    EXPECT_EQ(count(), 3);
}

TEST_F(DatabaseTest, CompactIntoANewFileOnly)
{
    db->execute("INSERT INTO T VALUES ('a', 1)");
    const QString target = dir.filePath("copy.db");
    db->compactInto(target);
    auto copy = Database::open(target);
    EXPECT_EQ(copy->scalar("SELECT V FROM T").toInt(), 1);
    EXPECT_THROW(db->compactInto(target), DbError);   // never overwrites
    db->begin();
    EXPECT_THROW(db->compactInto(dir.filePath("other.db")), DbError);
    db->rollback();
}

TEST(DatabaseOpen, MissingFileIsAnErrorUnlessCreating)
{
    QTemporaryDir dir;
    try {
        Database::open(dir.filePath("none.db"));
        FAIL();
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::DatabaseFileMissing);
    }
}

TEST(DatabaseOpen, NotADatabaseIsAnError)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("junk.db"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    EXPECT_THROW(Database::open(dir.filePath("junk.db")), DbError);
}

// ------------------------------------------------------------ Jet functions

class JetFunction : public ::testing::TestWithParam<FnCase> {
protected:
    QTemporaryDir dir;
};

TEST_P(JetFunction, Evaluates)
{
    const FnCase &c = GetParam();
    auto db = Database::open(dir.filePath("f.db"), true);
    try {
        const QVariant v = db->scalar(QString("SELECT ") + c.expr);
        ASSERT_EQ(c.error, 0) << "expected error " << c.error;
        if (c.expected.isNull())
            EXPECT_TRUE(v.isNull()) << v.toString().toStdString();
        else
            EXPECT_EQ(v.toString(), c.expected.toString());
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), c.error) << e.description().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, JetFunction, ::testing::ValuesIn(kJetCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
