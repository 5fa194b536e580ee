// A read-only bounded query: what a statement written outside the program
// may do on its connection, and where it is stopped.

#include "store/BoundedQuery.h"
#include "store/Database.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace {

// data.db with one table and common.db attached with another, as the
// application connection has them.
class BoundedQueryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        db = Database::open(dir.filePath("data.db"), true);
        db->execute("CREATE TABLE T (K TEXT PRIMARY KEY, V INTEGER)");
        db->execute("INSERT INTO T VALUES ('a', 1), ('b', 2), ('12.5', 3)");
        auto common = Database::open(dir.filePath("common.db"), true);
        common->execute("CREATE TABLE M (K TEXT, NAME TEXT)");
        common->execute("INSERT INTO M VALUES ('a', 'エー')");
        common.reset();
        db->attach(dir.filePath("common.db"), "common");
    }

    // Every row's first column as text, "|" between rows.
    QString all(const QString &sql, const QueryLimits &limits = {})
    {
        auto q = db->boundedQuery(sql, limits);
        QStringList out;
        while (q->next())
            out << q->value(0).toString();
        return out.join('|');
    }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(BoundedQueryTest, ReadsTheProgramsTablesWithOrdinaryFunctions)
{
    EXPECT_EQ(all("SELECT T.K || '=' || coalesce(M.NAME, '-') FROM T LEFT JOIN M ON T.K = M.K ORDER BY T.V"),
              QStringLiteral("a=エー|b=-|12.5=-"));
    EXPECT_EQ(all("SELECT CLNG(K) FROM T WHERE V = 3"), "12");
    EXPECT_EQ(all("SELECT JCAT(MID(K, 1, 1), NULL, CSTR(FIX(V * 1.5))) FROM T ORDER BY V"), "a1|b3|14");
    EXPECT_EQ(all("SELECT group_concat(K, ',') FROM (SELECT K FROM T ORDER BY V)"), "a,b,12.5");
    EXPECT_EQ(all("SELECT row_number() OVER (ORDER BY V DESC) || K FROM T ORDER BY V"), "3a|2b|112.5");
    EXPECT_EQ(all("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 3) SELECT x FROM c"),
              "1|2|3");
}

TEST_F(BoundedQueryTest, ColumnKindsComeFromTheDeclarations)
{
    auto q = db->boundedQuery("SELECT K, V, V + 1, NAME FROM T LEFT JOIN M USING (K)", {});
    ASSERT_EQ(q->columnCount(), 4);
    EXPECT_EQ(q->declaredText(0), std::optional<bool>(true));
    EXPECT_EQ(q->declaredText(1), std::optional<bool>(false));
    EXPECT_EQ(q->declaredText(2), std::nullopt);
    EXPECT_EQ(q->declaredText(3), std::optional<bool>(true));
}

struct RefusedCase {
    const char *name;
    const char *sql;
};

class BoundedQueryRefused : public BoundedQueryTest, public ::testing::WithParamInterface<RefusedCase> {};

// Refused when prepared or at the latest when the first row is read; the
// application connection is untouched and can still write.
TEST_P(BoundedQueryRefused, StatementIsRefused)
{
    EXPECT_THROW(
        {
            auto q = db->boundedQuery(QString::fromUtf8(GetParam().sql), {});
            while (q->next()) {
            }
        },
        DbError);
    db->execute("INSERT INTO T VALUES ('c', 4)");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM T").toInt(), 4);
    EXPECT_NE(sqlite3_get_autocommit(db->handle()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoundedQueryRefused,
    ::testing::Values(
        // the tokenizer interface hands out a pointer into the engine ...
        RefusedCase{"tokenizer_pointer_read", "SELECT hex(fts3_tokenizer('simple'))"},
        // ... and takes any pointer as a tokenizer to call later
        RefusedCase{"tokenizer_pointer_written", "SELECT fts3_tokenizer('evil', x'4141414141414141')"},
        RefusedCase{"tokenizer_inside_an_expression", "SELECT K FROM T WHERE length(fts3_tokenizer('simple')) > 0"},
        RefusedCase{"extension_loading", "SELECT load_extension('libc.so.6')"},
        RefusedCase{"pragma_function", "SELECT name FROM pragma_table_info('T')"},
        RefusedCase{"pragma_statement", "PRAGMA query_only=0"},
        RefusedCase{"schema_table", "SELECT sql FROM sqlite_master"},
        RefusedCase{"table_valued_function", "SELECT value FROM json_each('[1,2]')"},
        RefusedCase{"attach", "ATTACH DATABASE 'probe.db' AS probe"},
        RefusedCase{"delete", "DELETE FROM T"},
        RefusedCase{"delete_behind_with", "WITH x AS (SELECT 1) DELETE FROM T"},
        RefusedCase{"create_table", "CREATE TABLE X (A)"},
        RefusedCase{"begin", "BEGIN"},
        RefusedCase{"second_statement", "SELECT 1; DELETE FROM T"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(BoundedQueryTest, TokenizerRefusalSaysWhatWasRefused)
{
    try {
        db->boundedQuery("SELECT hex(fts3_tokenizer('simple'))", {});
        FAIL() << "the tokenizer was reachable";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.description().contains("fts3_tokenizer")) << e.description().toStdString();
    }
}

// The recursive statement that never ends: stopped after the row cap, with
// the rows read one at a time.
TEST_F(BoundedQueryTest, EndlessRowsStopAtTheRowCap)
{
    QueryLimits limits;
    limits.maxRows = 1000;
    auto q = db->boundedQuery("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c", limits);
    qint64 read = 0;
    try {
        while (q->next())
            ++read;
        FAIL() << "the statement ended by itself";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::QueryLimit);
        EXPECT_TRUE(e.description().contains("1000")) << e.description().toStdString();
    }
    EXPECT_EQ(read, 1000);
}

// A statement that returns nothing while it runs on is stopped by the
// clock (one second here; the test asserts the stop, not the time).
TEST_F(BoundedQueryTest, EndlessWorkStopsAtTheTimeCap)
{
    QueryLimits limits;
    limits.maxSeconds = 1;
    auto q = db->boundedQuery(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c", limits);
    try {
        q->next();
        FAIL() << "the statement ended by itself";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::QueryLimit);
        EXPECT_TRUE(e.description().contains(QStringLiteral("秒"))) << e.description().toStdString();
    }
}

struct BigValueCase {
    const char *name;
    const char *sql;
};

class BoundedQueryBigValue : public BoundedQueryTest, public ::testing::WithParamInterface<BigValueCase> {};

TEST_P(BoundedQueryBigValue, StopsAtTheValueCap)
{
    db->execute("INSERT INTO T VALUES (?, 9)", {QString(5000, 'x')});
    QueryLimits limits;
    limits.maxValueBytes = 4000;
    try {
        auto q = db->boundedQuery(QString::fromUtf8(GetParam().sql), limits);
        while (q->next()) {
        }
        FAIL() << "the value passed";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::QueryLimit) << e.description().toStdString() << " " << GetParam().sql;
        EXPECT_TRUE(e.description().contains("4000")) << e.description().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BoundedQueryBigValue,
                         ::testing::Values(BigValueCase{"made_blob", "SELECT zeroblob(2000000000)"},
                                           BigValueCase{"made_text", "SELECT hex(zeroblob(3000))"},
                                           BigValueCase{"grown_by_aggregate", "SELECT group_concat(T.K) FROM T, T T2, T T3"},
                                           BigValueCase{"stored_value", "SELECT K FROM T WHERE V = 9"}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
