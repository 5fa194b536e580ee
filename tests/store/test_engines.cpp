// The connection Conf.DAT chooses, through the one interface the program
// uses: the same statements, transactions and numbering on the embedded
// engine and on the test server (TOBARI_TEST_PG, started by the test
// command), and what the server does differently where it must.

#include "store/BoundedQuery.h"
#include "store/Numbering.h"
#include "store/PgDatabase.h"
#include "support/TempDataFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <future>

#include <gtest/gtest.h>

namespace {

enum class Engine { Embedded, Server };

// A data folder on the engine of the test's parameter; the server's has a
// schema of its own, dropped afterwards.
class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        AppFolder::setPath(dir.path());
        if (GetParam() == Engine::Server) {
            if (qEnvironmentVariable("TOBARI_TEST_PG").isEmpty())
                GTEST_SKIP() << "no test server: scripts/test.sh starts one and sets TOBARI_TEST_PG";
            schema = QStringLiteral("e%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
            writeConf(QStringLiteral("[Database]\r\nEngine=PostgreSQL\r\nConnection=%1\r\nSchema=%2\r\n")
                          .arg(qEnvironmentVariable("TOBARI_TEST_PG"), schema));
        }
        DataFolder::prepare();
        const int rc = OpenDatabase(true);
        ASSERT_EQ(rc, 0) << dataAccessErrorText(rc).toStdString();
        RequireConnection().execute("CREATE TABLE t (k TEXT PRIMARY KEY, v INTEGER)");
    }
    void TearDown() override
    {
        OpenDatabase(false);
        if (!schema.isEmpty()) {
            auto admin = PgConnection::open(qEnvironmentVariable("TOBARI_TEST_PG"), "tests", "public");
            admin->execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
        }
    }
    void writeConf(const QString &text)
    {
        QFile f(dir.filePath("Conf.DAT"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }
    // A second connection on the same data, as another desk (or program)
    // opens it.
    std::unique_ptr<Database> otherDesk() { return openConfiguredDatabase(); }
    qint64 rowsSeenByOthers() { return otherDesk()->scalar("SELECT count(*) FROM t").toLongLong(); }

    QTemporaryDir dir;
    QString schema;
    static inline int serial = 0;
};

TEST_P(EngineTest, DataLivesWhereConfDatSays)
{
    const bool files = QFileInfo::exists(dir.filePath("data.db"));
    EXPECT_EQ(files, GetParam() == Engine::Embedded);
    // The default rows are there on both.
    EXPECT_FALSE(RequireConnection().scalar("SELECT IVal FROM MST_IDX WHERE IKey = 'H2'").isNull());
    EXPECT_TRUE(RequireConnection().tableExists("MST_IDX"));
    EXPECT_TRUE(RequireConnection().columns("MST_IDX").contains("IVal"));
}

TEST_P(EngineTest, StatementsAndResultsReadTheSame)
{
    Database &db = RequireConnection();
    Statement st = db.prepare("INSERT INTO t (k, v) VALUES (?, ?)");
    EXPECT_EQ(st.parameterCount(), 2);
    st.bindText(1, QStringLiteral("納品'?"));
    st.bindInt(2, 7);
    st.execute();
    st.bindUtf8(1, "b", 1);
    st.bindNull(2);
    st.execute();
    // (Null sorts first on the embedded engine and last on the server: the
    // order is taken by the text here.)
    Recordset rs = db.query("SELECT k AS Name, v AS Value FROM t ORDER BY k DESC");
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.fieldName(0), "Name");
    EXPECT_EQ(rs.text("NAME"), QStringLiteral("納品'?"));
    EXPECT_EQ(rs.field("value").typeId(), QMetaType::LongLong);
    EXPECT_EQ(QString::fromUtf8(rs.utf8(0).toByteArray()), QStringLiteral("納品'?"));
    rs.moveNext();
    ASSERT_FALSE(rs.eof());
    EXPECT_TRUE(rs.field("Value").isNull());
    EXPECT_TRUE(rs.utf8(1).isNull());
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.field(0), DbError);
}

TEST_P(EngineTest, NestedGuardUndoesOnlyItsOwnWork)
{
    Database &db = RequireConnection();
    Transaction outer(db);
    db.execute("INSERT INTO t VALUES ('kept', 1)");
    {
        Transaction inner(db);
        db.execute("INSERT INTO t VALUES ('undone', 2)");
        EXPECT_THROW(db.execute("INSERT INTO t VALUES ('kept', 3)"), DbError);
    }   // the failed inner level is rolled back
    db.execute("INSERT INTO t VALUES ('after', 4)");
    outer.commit();
    EXPECT_EQ(rowsSeenByOthers(), 2);
}

TEST_P(EngineTest, FailureInsideATransactionIsNeverCommittedUnseen)
{
    Database &db = RequireConnection();
    db.begin();
    db.execute("INSERT INTO t VALUES ('a', 1)");
    EXPECT_THROW(db.execute("INSERT INTO t VALUES ('a', 2)"), DbError);
    if (GetParam() == Engine::Server) {
        // The server undid the transaction: its commit must fail, not
        // pretend.
        EXPECT_THROW(db.commit(), DbError);
        EXPECT_EQ(db.transactionDepth(), 0);
        EXPECT_EQ(rowsSeenByOthers(), 0);
    } else {
        // The embedded engine undoes the failed statement alone.
        db.commit();
        EXPECT_EQ(rowsSeenByOthers(), 1);
    }
    db.execute("INSERT INTO t VALUES ('next', 1)");   // the connection works on
}

TEST_P(EngineTest, ReadOnlyQueryRefusesChanges)
{
    Database &db = RequireConnection();
    db.execute("INSERT INTO t VALUES ('a', 1)");
    EXPECT_THROW(db.queryReadOnly("UPDATE t SET v = 2"), DbError);
    EXPECT_THROW(db.queryReadOnly("INSERT INTO t VALUES ('b', 2) RETURNING k"), DbError);
    EXPECT_EQ(db.queryReadOnly("SELECT v FROM t").field(0).toLongLong(), 1);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM t").toLongLong(), 1);
    EXPECT_EQ(db.transactionDepth(), 0);
}

TEST_P(EngineTest, BoundedQueryReadsOnlyAndStopsAtItsRowCap)
{
    Database &db = RequireConnection();
    Transaction tx(db);
    for (int i = 0; i < 1200; ++i)
        db.execute("INSERT INTO t VALUES (?, ?)", {QString::number(i), i});
    tx.commit();
    QueryLimits limits;
    limits.maxRows = 1000;
    auto q = db.boundedQuery("SELECT k, v FROM t ORDER BY v", limits);
    qint64 rows = 0;
    try {
        while (q->next())
            ++rows;
        FAIL() << "the row cap did not stop the query";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::QueryLimit);
    }
    EXPECT_EQ(rows, 1000);

    limits.maxRows = 5000;
    auto all = db.boundedQuery("SELECT k, v, v * 2 AS twice FROM t ORDER BY v", limits);
    ASSERT_TRUE(all->next());
    EXPECT_EQ(all->declaredText(0), std::optional<bool>(true));
    EXPECT_EQ(all->declaredText(1), std::optional<bool>(false));
    EXPECT_EQ(all->declaredText(2), std::nullopt);
    rows = 1;
    while (all->next())
        ++rows;
    EXPECT_EQ(rows, 1200);
    EXPECT_THROW(db.boundedQuery("DELETE FROM t", limits)->next(), DbError);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM t").toLongLong(), 1200);
}

TEST_P(EngineTest, TwoDesksNeverGetTheSameNumber)
{
    // The first desk holds its transaction open after taking a number; the
    // second takes one meanwhile (it waits on the server, or is kept out by
    // the embedded engine's write lock until the first commits).
    Database &first = RequireConnection();
    first.begin();
    const qint32 a = GetNextIndex(first, "H2");
    auto second = std::async(std::launch::async, [this] {
        auto db = otherDesk();
        return GetNextIndex(*db, "H2");
    });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
        << "the second desk read the number while the first still held it";
    first.commit();
    ASSERT_EQ(second.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(second.get(), a + 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineTest, ::testing::Values(Engine::Embedded, Engine::Server),
                         [](const auto &info) { return info.param == Engine::Server ? "Server" : "Embedded"; });

// ------------------------------------------------------- choosing the engine

struct ConfCase {
    const char *name;
    const char *conf;
    int number;           // the error OpenDatabase gives
    const char *saying;   // part of the message the operator reads
};

class EngineChoice : public ::testing::TestWithParam<ConfCase> {};

TEST_P(EngineChoice, RefusesWhatCannotWorkAndSaysWhy)
{
    QTemporaryDir dir;
    AppFolder::setPath(dir.path());
    QFile f(dir.filePath("Conf.DAT"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(GetParam().conf);
    f.close();
    const int rc = OpenDatabase(true);
    EXPECT_EQ(rc, GetParam().number);
    EXPECT_TRUE(dataAccessErrorText(rc).contains(QString::fromUtf8(GetParam().saying)))
        << dataAccessErrorText(rc).toStdString();
    EXPECT_EQ(AppConnection(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("data.db")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineChoice,
    ::testing::Values(
        ConfCase{"unknown_engine", "[Database]\r\nEngine=Oracle\r\n", DbErr::ServerBase, "SQLite か PostgreSQL"},
        ConfCase{"password_in_settings",
                 "[Database]\r\nEngine=PostgreSQL\r\nConnection=host=/tmp dbname=x password=secret\r\n",
                 DbErr::ServerPasswordInSettings, ".pgpass"},
        ConfCase{"unreachable_server",
                 "[Database]\r\nEngine=PostgreSQL\r\nConnection=host=/nonexistent-folder port=1 dbname=x\r\n",
                 DbErr::ServerUnreachable, "/nonexistent-folder"},
        ConfCase{"quoted_schema_name", "[Database]\r\nEngine=PostgreSQL\r\nConnection=dbname=x\r\nSchema=a;b\r\n",
                 DbErr::ServerBase, "Schema=a;b"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
