// The export column sets: reading, saving and the batch commands.

#include "ColumnSetFixture.h"
#include "output/ColumnSetBatch.h"
#include "output/ColumnSets.h"
#include "store/DbError.h"
#include "support/TempDataFolder.h"

#include <QTextStream>

#include <gtest/gtest.h>

namespace {

// Makes the engine refuse `event` (INSERT, DELETE) on `table` for the rows
// that meet `condition`, written with NEW. for an inserted row.
void refuseRows(Database &db, const QString &table, const QString &event, const QString &condition = "1=1")
{
    if (testsOnServer()) {
        db.execute("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                   "'BEGIN RAISE EXCEPTION ''refused''; END'");
        db.execute(QString("CREATE TRIGGER refuse BEFORE %1 ON %2 FOR EACH ROW WHEN (%3) EXECUTE FUNCTION refuse()")
                       .arg(event, table, condition));
    } else {
        db.execute(QString("CREATE TRIGGER refuse BEFORE %1 ON %2 WHEN %3 BEGIN SELECT RAISE(ABORT,'refused'); END")
                       .arg(event, table, condition));
    }
}

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
    refuseRows(*db, "MST_COL_SET", "INSERT", "NEW.COL_DB_NAME='BAD'");
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

// ------------------------------------------------------------ new, rename, remove

QStringList setNames(Database &db)
{
    QStringList out;
    for (const ColumnSetName &s : columnSetNames(db))
        out << s.dbName + "=" + s.name;
    return out;
}

struct NameCase {
    const char *name;
    QString typed;
    QString exceptKey;   // the set being renamed
    QString refusal;     // empty: accepted
};

class ColumnSetNames : public ColumnSets, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ColumnSetNames, EmptyAndDuplicateNamesAreRefused)
{
    EXPECT_EQ(columnSetNameRefusal(*db, GetParam().typed, GetParam().exceptKey), GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSetNames,
    ::testing::Values(
        NameCase{"Empty", "", "", "項目セットの名前を入力してください。"},
        NameCase{"BlanksOnly", " \u3000 ", "", "項目セットの名前を入力してください。"},
        NameCase{"Duplicate", "請求用", "", "項目セット「請求用」は既にあります。別の名前を入力してください。"},
        NameCase{"DuplicateWithBlanks", " 請求用 ", "", "項目セット「請求用」は既にあります。別の名前を入力してください。"},
        NameCase{"DuplicateOfAnotherWhenRenaming", "請求用", "S1",
                 "項目セット「請求用」は既にあります。別の名前を入力してください。"},
        NameCase{"OwnNameWhenRenaming", "請求用", "S2", ""},
        NameCase{"New", "出荷用", "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ColumnSets, NewSetsGetKeysOfTheirOwnAndNoMembers)
{
    db->execute("INSERT INTO MST_SET_NAME VALUES ('SET007','古いセット')");
    const ColumnSetChange a = createColumnSet(*db, "  出荷用 ");
    ASSERT_TRUE(a.done) << a.refusal.toStdString();
    EXPECT_EQ(a.set.dbName, "SET008");
    EXPECT_EQ(a.set.name, "出荷用");
    const ColumnSetChange b = createColumnSet(*db, "返品用");
    EXPECT_EQ(b.set.dbName, "SET009");
    EXPECT_EQ(setNames(*db), (QStringList{"S1=納品用", "S2=請求用", "SET007=古いセット", "SET008=出荷用", "SET009=返品用"}));
    EXPECT_TRUE(stored("SET008").isEmpty());

    const ColumnSetChange again = createColumnSet(*db, "出荷用");
    EXPECT_FALSE(again.done);
    EXPECT_EQ(again.refusal, "項目セット「出荷用」は既にあります。別の名前を入力してください。");
    EXPECT_EQ(columnSetNames(*db).size(), 5);
}

TEST_F(ColumnSets, FirstSetOfAnEmptyFolder)
{
    db->execute("DELETE FROM MST_SET_NAME");
    db->execute("DELETE FROM MST_COL_SET");
    const ColumnSetChange c = createColumnSet(*db, "納品用");
    ASSERT_TRUE(c.done);
    EXPECT_EQ(setNames(*db), (QStringList{"SET001=納品用"}));
}

TEST_F(ColumnSets, RenameKeepsKeyAndMembers)
{
    const ColumnSetChange c = renameColumnSet(*db, "S1", "納品用（新）");
    ASSERT_TRUE(c.done);
    EXPECT_EQ(setNames(*db), (QStringList{"S1=納品用（新）", "S2=請求用"}));
    EXPECT_EQ(stored("S1"), (QStringList{"TBL_A.A1", "TBL_B.B1", "TBL_A.GONE"}));
    EXPECT_FALSE(renameColumnSet(*db, "S1", "請求用").done);
    EXPECT_FALSE(renameColumnSet(*db, "S1", "").done);
    EXPECT_EQ(setNames(*db), (QStringList{"S1=納品用（新）", "S2=請求用"}));
}

TEST_F(ColumnSets, RemoveTakesTheMembersAlongAndLeavesTheOthers)
{
    removeColumnSet(*db, "S1");
    EXPECT_EQ(setNames(*db), (QStringList{"S2=請求用"}));
    EXPECT_TRUE(stored("S1").isEmpty());
    EXPECT_EQ(stored("S2"), (QStringList{"TBL_A.A2"}));
}

TEST_F(ColumnSets, FailedRemoveKeepsNameAndMembers)
{
    refuseRows(*db, "MST_SET_NAME", "DELETE");
    EXPECT_THROW(removeColumnSet(*db, "S1"), DbError);
    EXPECT_EQ(setNames(*db), (QStringList{"S1=納品用", "S2=請求用"}));
    EXPECT_EQ(stored("S1"), (QStringList{"TBL_A.A1", "TBL_B.B1", "TBL_A.GONE"}));
}

TEST_F(ColumnSetBatch, NewRenameRemove)
{
    EXPECT_EQ(run("column-set-new", {"出荷用"}), 0) << errText.toStdString();
    EXPECT_EQ(outText, QString("項目セット「出荷用」を作成しました（SET001）。\n"));
    EXPECT_EQ(run("column-set-new", {"出荷用"}), 1);
    EXPECT_EQ(dialogs.shown().last().text, QString("項目セット「出荷用」は既にあります。別の名前を入力してください。"));
    EXPECT_EQ(run("column-set-rename", {"出荷用", "返品用"}), 0);
    EXPECT_EQ(run("column-set-rename", {"S9", "何か"}), 1);
    dialogs.answer(MsgResult::Cancel);
    EXPECT_EQ(run("column-set-remove", {"返品用"}), 1);
    EXPECT_EQ(dialogs.shown().last().defaultButton, MsgResult::Cancel);
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(run("column-set-remove", {"返品用"}), 0);
    EXPECT_EQ(setNames(*db), (QStringList{"S1=納品用", "S2=請求用"}));
    EXPECT_EQ(run("column-set-new", {}), 2);
}

} // namespace
