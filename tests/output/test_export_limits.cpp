// The custom export's limits: a definition that would run for ever, return
// endless rows or make huge values is stopped with a clear error and leaves
// no file under the output name; the limits come from Conf.DAT.

#include "output/clsCustomDOP.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

const char *const Endless = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c)";

class ExportLimitsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000123"}, {"DEN_EXP_CHECK", "-1"}});
        SlipRows::line(*db, 1, 10, 100, "012000", "0001980", {{"ONLINE", "01"}, {"ONSKU", "123456"}});
        out = folder.file("out");
        ASSERT_TRUE(QDir().mkpath(out));
        // The file of an earlier export, which a stopped one must leave as it was.
        writeAll(out + "/OUT.CSV", "earlier export\r\n");
    }

    // Runs `sql` as the statement of a definition writing OUT.CSV.
    qint32 run(const QString &sql)
    {
        const QString definition = folder.file("TEST.SQL");
        writeAll(definition, "null\r\n,\r\nOUT.CSV\r\n" + sql.toUtf8() + "\r\n");
        EXPECT_EQ(dop.setFile(definition), 0);
        dop.setDistination(out);
        return dop.eXport(*db, dialogs, QStringList(10, QStringLiteral(" ")));
    }

    void expectStoppedLeavingTheEarlierFile(qint32 result, const QString &said)
    {
        EXPECT_EQ(result, DbErr::QueryLimit) << dop.lastErrorDescription().toStdString();
        EXPECT_TRUE(dop.lastErrorDescription().contains(said)) << dop.lastErrorDescription().toStdString();
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"OUT.CSV"});
        EXPECT_EQ(readAll(out + "/OUT.CSV"), QByteArray("earlier export\r\n"));
        EXPECT_EQ(dialogs.shown().size(), 0);
    }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    clsCustomDOP dop;
    QString out;
};

// Rows stream: the endless statement is stopped at the row cap, not when
// the memory runs out.
TEST_F(ExportLimitsTest, EndlessRowsStopAtTheRowCapOfConfDat)
{
    writeAll(folder.file("Conf.DAT"), "[Export]\r\nMaxRows=1000\r\n");
    expectStoppedLeavingTheEarlierFile(run(QString::fromLatin1(Endless) + " SELECT x FROM c"), "1000");
}

TEST_F(ExportLimitsTest, EndlessRowsOfAnExpressionWithoutKindStopToo)
{
    // Every value Null: the rows wait for a kind that never comes, on disk.
    writeAll(folder.file("Conf.DAT"), "[Export]\r\nMaxRows=1000\r\n");
    expectStoppedLeavingTheEarlierFile(run(QString::fromLatin1(Endless) + " SELECT NULL + x FROM c"), "1000");
}

TEST_F(ExportLimitsTest, EndlessWorkStopsAtTheTimeCapOfConfDat)
{
    writeAll(folder.file("Conf.DAT"), "[Export]\r\nMaxSeconds=1\r\n");
    expectStoppedLeavingTheEarlierFile(run(QString::fromLatin1(Endless) + " SELECT count(*) FROM c"),
                                       QStringLiteral("1 秒"));
}

struct BigValueCase {
    const char *name;
    const char *confDat;
    const char *sql;
    const char *said;
};

class ExportBigValue : public ExportLimitsTest, public ::testing::WithParamInterface<BigValueCase> {};

TEST_P(ExportBigValue, Refused)
{
    if (*GetParam().confDat)
        writeAll(folder.file("Conf.DAT"), GetParam().confDat);
    expectStoppedLeavingTheEarlierFile(run(QString::fromLatin1(GetParam().sql)), QString::fromLatin1(GetParam().said));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportBigValue,
    ::testing::Values(BigValueCase{"blob_past_the_default", "", "SELECT zeroblob(2000000)", "1000000"},
                      BigValueCase{"blob_of_two_gigabytes", "", "SELECT zeroblob(2000000000)", "1000000"},
                      BigValueCase{"text_past_the_cap_of_ConfDat", "[Export]\r\nMaxValueBytes=2000\r\n",
                                   // 2,560 characters, doubled from ten
                                   "WITH RECURSIVE s(t) AS (SELECT '0123456789' UNION ALL "
                                   "SELECT t || t FROM s WHERE length(t) < 2001) "
                                   "SELECT t FROM s ORDER BY length(t) DESC LIMIT 1", "2000"}),
    [](const auto &info) { return std::string(info.param.name); });

// The shipped sample's placeholder stands for a fragment of SQL; a value
// given for it still cannot reach the tokenizer.
TEST_F(ExportLimitsTest, SampleValueCannotReachTheTokenizer)
{
    ASSERT_EQ(dop.setFile(QStringLiteral(TOBARI_SAMPLES_DIR "/SQL/NOUHIN.SQL")), 0);
    dop.setDistination(out);
    QStringList values(10, QStringLiteral(" "));
    values[0] = QStringLiteral("AND hex(fts3_tokenizer('simple')) <> ''");
    const qint32 r = dop.eXport(*db, dialogs, values);
    EXPECT_NE(r, clsCustomDOP::Written);
    EXPECT_TRUE(dop.lastErrorDescription().contains("fts3_tokenizer")) << dop.lastErrorDescription().toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{"OUT.CSV"});
}

struct LimitsCase {
    const char *name;
    const char *confDat;   // nullptr: no Conf.DAT
    qint64 rows, seconds, bytes;
};

class ExportLimitsFromConfDat : public ::testing::TestWithParam<LimitsCase> {};

TEST_P(ExportLimitsFromConfDat, Read)
{
    TempDataFolder folder;
    if (GetParam().confDat)
        writeAll(folder.file("Conf.DAT"), GetParam().confDat);
    const QueryLimits l = ExportLimits();
    EXPECT_EQ(l.maxRows, GetParam().rows);
    EXPECT_EQ(l.maxSeconds, GetParam().seconds);
    EXPECT_EQ(l.maxValueBytes, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportLimitsFromConfDat,
    ::testing::Values(LimitsCase{"no_file_gives_the_defaults", nullptr, 5000000, 600, 1000000},
                      LimitsCase{"all_three_set", "[Export]\r\nMaxRows=12\r\nMaxSeconds=30\r\nMaxValueBytes=4096\r\n",
                                 12, 30, 4096},
                      LimitsCase{"zero_negative_and_words_give_the_defaults",
                                 "[Export]\r\nMaxRows=0\r\nMaxSeconds=-5\r\nMaxValueBytes=many\r\n", 5000000, 600,
                                 1000000}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
