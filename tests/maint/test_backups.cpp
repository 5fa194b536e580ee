#include "maint/Backups.h"

#include "MaintFixture.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace MaintFixture;

namespace {

const QDateTime Start(QDate(2026, 12, 10), QTime(9, 30, 0));

class BackupsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(Start);
        addBatch(*db, 1, "261201", {Slip{}, Slip{}});
        db->execute("INSERT INTO MST_GUNBAN(GUN_CD,GUN_NAME) VALUES('T99','試験')");   // common.db
    }
    TempDataFolder folder;
    Database *db = nullptr;
};

TEST_F(BackupsTest, HoldsBothFilesUnderTheTimeItWasMade)
{
    const BackupEntry e = Backups::make(*db, Backups::reasonOnDemand(), 10);
    EXPECT_EQ(e.name, "20261210-093000");
    const QDir dir(folder.file("Backup/20261210-093000"));
    EXPECT_EQ(count(*Database::open(dir.filePath("data.db")), "TBL_RD_H2"), 2);
    EXPECT_EQ(count(*Database::open(dir.filePath("common.db")), "MST_GUNBAN", "GUN_CD='T99'"), 1);
    const QList<BackupEntry> all = Backups::list();
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all[0].made, Start);
    EXPECT_EQ(all[0].reason, Backups::reasonOnDemand());
    // Nothing is left under a working name.
    EXPECT_EQ(QDir(folder.file("Backup")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"20261210-093000"});
}

TEST_F(BackupsTest, TwoInOneSecondGetTheirOwnNamesNewestFirst)
{
    Backups::make(*db, "a", 10);
    Backups::make(*db, "b", 10);
    const QList<BackupEntry> all = Backups::list();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].name, "20261210-093000-02");
    EXPECT_EQ(all[0].reason, "b");
    EXPECT_EQ(all[1].name, "20261210-093000");
}

TEST_F(BackupsTest, TheEleventhRemovesTheOldest)
{
    for (int i = 0; i < 11; ++i) {
        Clock::setFixed(Start.addSecs(i));
        Backups::make(*db, QString::number(i), 10);
    }
    const QList<BackupEntry> all = Backups::list();
    ASSERT_EQ(all.size(), 10);
    EXPECT_EQ(all.first().reason, "10");
    EXPECT_EQ(all.last().reason, "1");
    EXPECT_FALSE(QFileInfo::exists(folder.file("Backup/20261210-093000")));
}

TEST(BackupKeep, OutOfRangeFallsBackToTen)
{
    const struct {
        int configured, kept;
    } rows[] = {{0, 10}, {1, 1}, {10, 10}, {99, 99}, {100, 10}, {-3, 10}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.configured);
        EXPECT_EQ(Backups::keepCount(r.configured), r.kept);
    }
}

TEST_F(BackupsTest, RestoreBringsRowsBackAndCanItselfBeUndone)
{
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    db->execute("DELETE FROM TBL_RD_H2");
    db->execute("DELETE FROM MST_GUNBAN WHERE GUN_CD='T99'");
    Clock::setFixed(Start.addSecs(60));

    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    ASSERT_EQ(Backups::restore(*db, d, first.name, 10), 0) << d.texts().join('\n').toStdString();
    EXPECT_EQ(d.shown()[0].defaultButton, MsgResult::Cancel);
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 2);
    EXPECT_EQ(count(*db, "MST_GUNBAN", "GUN_CD='T99'"), 1);

    // The state before the restore was kept first.
    const QList<BackupEntry> all = Backups::list();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].reason, Backups::reasonRestore());
    ScriptedDialogs undo;
    undo.answer(MsgResult::Ok);
    ASSERT_EQ(Backups::restore(*db, undo, all[0].name, 10), 0);
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 0);
    EXPECT_EQ(count(*db, "MST_GUNBAN", "GUN_CD='T99'"), 0);
}

TEST_F(BackupsTest, RestoreKeepsTheBackupItRestoresEvenWhenItIsTheOldest)
{
    const BackupEntry only = Backups::make(*db, Backups::reasonOnDemand(), 1);
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    ASSERT_EQ(Backups::restore(*db, d, only.name, 1), 0);
    EXPECT_TRUE(QFileInfo::exists(folder.file("Backup/" + only.name + "/data.db")));
}

TEST_F(BackupsTest, DeclinedRestoreChangesNothing)
{
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    db->execute("DELETE FROM TBL_RD_H2");
    ScriptedDialogs d;
    d.answer(MsgResult::Cancel);
    EXPECT_EQ(Backups::restore(*db, d, first.name, 10), 1);
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 0);
    EXPECT_EQ(Backups::list().size(), 1);
}

TEST_F(BackupsTest, DamagedBackupIsNotRestored)
{
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    {
        QFile f(folder.file("Backup/" + first.name + "/data.db"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(16, 'Z'));
    }
    db->execute("DELETE FROM TBL_RD_H2");
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    EXPECT_NE(Backups::restore(*db, d, first.name, 10), 0);
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 0);
}

TEST_F(BackupsTest, ABackupThatCannotBeWrittenReportsAndLeavesNoFolder)
{
    QFile blocker(folder.file("Backup"));   // a file where the folder belongs
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ScriptedDialogs d;
    EXPECT_NE(Backups::makeBefore(*db, d, Backups::opDeleteAll(), 10), 0);
    ASSERT_EQ(d.shown().size(), 1);
    EXPECT_TRUE(d.shown()[0].text.startsWith(QString::fromUtf8("バックアップを作成できませんでした。全データ削除は行いません。")));
    EXPECT_TRUE(Backups::list().isEmpty());
}

TEST_F(BackupsTest, NotInsideATransaction)
{
    Transaction tx(*db);
    EXPECT_THROW(Backups::make(*db, "x", 10), DbError);
    EXPECT_TRUE(Backups::list().isEmpty());
}

} // namespace
