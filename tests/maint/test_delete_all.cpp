#include "maint/DeleteAll.h"

#include "MaintFixture.h"
#include "maint/Backups.h"
#include "support/TempDataFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace MaintFixture;

namespace {

TEST(DeleteAll, BacksUpFirstAndStopsWhenItCannot)
{
    TempDataFolder folder;
    Database &db = folder.prepare();
    addBatch(db, 1, "261201", {Slip{}});
    {
        QFile blocker(folder.file("Backup"));   // a file where the backup folder belongs
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    ScriptedDialogs dialogs;
    dialogs.answer(MsgResult::Ok);
    EXPECT_NE(deleteAllData(db, dialogs), 0);
    EXPECT_EQ(count(db, "TBL_RD_H1"), 1);
    EXPECT_TRUE(dialogs.shown().back().text.startsWith(
        QString::fromUtf8("バックアップを作成できませんでした。全データ削除は行いません。")));

    ASSERT_TRUE(QFile::remove(folder.file("Backup")));
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(deleteAllData(db, dialogs), 0);
    EXPECT_EQ(count(db, "TBL_RD_H1"), 0);
    const QList<BackupEntry> backups = Backups::list();
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(backups[0].reason, Backups::reasonDeleteAll());
    EXPECT_EQ(count(*Database::open(folder.file("Backup/" + backups[0].name + "/data.db")), "TBL_RD_H1"), 1);
}

} // namespace
