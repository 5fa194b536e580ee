// The export column sets: reading, saving and the batch commands.

#include "ColumnSetFixture.h"
#include "output/ColumnSetBatch.h"
#include "output/ColumnSets.h"
#include "store/DbError.h"

#include <QTextStream>

#include <gtest/gtest.h>

namespace {

class ColumnSets : public ::testing::Test, public ColumnSetFixture {
protected:
    void SetUp() override { prepareColumnSets(); }
};

TEST_F(ColumnSets, TablesByLevelAndSetsAsStored)
{
    const QList<OfferedTable> tables = offeredTables(*db);
    ASSERT_EQ(tables.size(), 2);
    EXPECT_EQ(tables[0].dbName, "TBL_A");
    EXPECT_EQ(tables[0].name, "ヘッダ");
    EXPECT_EQ(tables[1].dbName, "TBL_B");
    const QList<ColumnSetName> sets = columnSetNames(*db);
    ASSERT_EQ(sets.size(), 2);
    EXPECT_EQ(sets[0].dbName, "S1");
    EXPECT_EQ(sets[0].name, "納品用");
}

TEST_F(ColumnSets, MembersInOrderAndALeftColumnWithoutCaption)
{
    const QList<ColumnSetMember> m = columnSetMembers(*db, "S1");
    ASSERT_EQ(m.size(), 3);
    EXPECT_EQ(m[0].table + "." + m[0].column + ":" + m[0].caption, QString("TBL_A.A1:項目一"));
    EXPECT_EQ(m[1].table + "." + m[1].column + ":" + m[1].caption, QString("TBL_B.B1:明細一"));
    EXPECT_EQ(m[2].table + "." + m[2].column + ":" + m[2].caption, QString("TBL_A.GONE:"));
    EXPECT_TRUE(columnSetMembers(*db, "NONE").isEmpty());
}

struct SaveCase {
    const char *name;
    QList<ColumnSetMember> members;
    QStringList expected;
};

void PrintTo(const SaveCase &c, std::ostream *os)
{
    *os << c.name;
}

class ColumnSetSave : public ColumnSets, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(ColumnSetSave, ReplacesTheSetAndNoOther)
{
    saveColumnSet(*db, "S1", GetParam().members);
    EXPECT_EQ(stored("S1"), GetParam().expected);
    EXPECT_EQ(stored("S2"), QStringList{"TBL_A.A2"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSetSave,
    ::testing::Values(SaveCase{"Emptied", {}, {}},
                      SaveCase{"Reordered",
                               {{"TBL_A", "GONE", ""}, {"TBL_A", "A1", "項目一"}},
                               {"TBL_A.GONE", "TBL_A.A1"}},
                      SaveCase{"SameColumnTwice",
                               {{"TBL_B", "B1", ""}, {"TBL_B", "B1", ""}, {"TBL_A", "A2", ""}},
                               {"TBL_B.B1", "TBL_B.B1", "TBL_A.A2"}},
                      SaveCase{"QuoteInAName", {{"TBL_A", "it's", ""}}, {"TBL_A.it's"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ColumnSets, FailedSaveKeepsTheSetAsItWas)
{
    db->execute("CREATE TRIGGER refuse BEFORE INSERT ON MST_COL_SET WHEN NEW.COL_DB_NAME='BAD' "
                "BEGIN SELECT RAISE(ABORT,'refused'); END");
    EXPECT_THROW(saveColumnSet(*db, "S1", {{"TBL_A", "A2", ""}, {"TBL_A", "BAD", ""}}), DbError);
    EXPECT_EQ(stored("S1"), (QStringList{"TBL_A.A1", "TBL_B.B1", "TBL_A.GONE"}));
}

TEST_F(ColumnSets, ManySetsAllListed)
{
    for (int i = 3; i <= 120; ++i)
        db->execute("INSERT INTO MST_SET_NAME VALUES (?, ?)", {QString("S%1").arg(i), QString("セット%1").arg(i)});
    const QList<ColumnSetName> sets = columnSetNames(*db);
    ASSERT_EQ(sets.size(), 120);
    EXPECT_EQ(sets.last().dbName, "S120");
}

// ------------------------------------------------------------ batch mode

class ColumnSetBatch : public ColumnSets {
protected:
    int run(const QString &command, const QStringList &args)
    {
        outText.clear();
        errText.clear();
        QTextStream o(&outText);
        QTextStream e(&errText);
        BatchContext ctx{args, dialogs, o, e};
        for (const BatchCommand &c : columnSetBatchCommands())
            if (c.name == command)
                return c.run(ctx);
        ADD_FAILURE() << "no command " << command.toStdString();
        return -1;
    }
    ScriptedDialogs dialogs;
    QString outText;
    QString errText;
};

TEST_F(ColumnSetBatch, ListsTheSets)
{
    EXPECT_EQ(run("column-sets", {}), 0);
    EXPECT_EQ(outText, QString("S1\t納品用\nS2\t請求用\n"));
}

struct MembersCase {
    const char *name;
    QStringList args;
    int status;
    const char *out;
};

void PrintTo(const MembersCase &c, std::ostream *os)
{
    *os << c.name;
}

class ColumnSetMembersBatch : public ColumnSetBatch, public ::testing::WithParamInterface<MembersCase> {};

TEST_P(ColumnSetMembersBatch, PrintsTheMembersInOrder)
{
    EXPECT_EQ(run("column-set", GetParam().args), GetParam().status) << errText.toStdString();
    EXPECT_EQ(outText, QString::fromUtf8(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSetMembersBatch,
    ::testing::Values(MembersCase{"ByKey", {"S1"}, 0, "0\tTBL_A.A1\t項目一\n1\tTBL_B.B1\t明細一\n2\tTBL_A.GONE\t\n"},
                      MembersCase{"ByShownName", {"請求用"}, 0, "0\tTBL_A.A2\t項目二\n"},
                      MembersCase{"Unknown", {"S9"}, 1, ""},
                      MembersCase{"NoName", {}, 2, ""},
                      MembersCase{"TwoNames", {"S1", "S2"}, 2, ""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
