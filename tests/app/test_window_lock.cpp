// One window per data folder: a second window is refused with the name of
// the one that has the folder.

#include "app/AppStart.h"
#include "store/AppFolder.h"
#include "store/FolderLock.h"
#include "support/FolderHolder.h"
#include "support/ScriptedDialogs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(WindowLock, ASecondWindowOnTheFolderIsRefusedAndTheFirstNamed)
{
    QTemporaryDir dir;
    AppFolder::setPath(dir.path());
    {
        FolderHolder first(QStringLiteral(FOLDER_LOCK_CHILD), dir.path(), "tobari-edi（画面）", {"use", "window"});
        ASSERT_TRUE(first.ok());
        ScriptedDialogs d;
        EXPECT_FALSE(claimWindow(d));
        ASSERT_EQ(d.shown().size(), 1);
        EXPECT_EQ(d.shown()[0].icon, MsgIcon::Critical);
        EXPECT_EQ(d.texts()[0], QString("このデータフォルダは他のウィンドウで開かれています。同じデータフォルダに二つ目のウィンドウは開けません。\n"
                                        "tobari-edi（画面）（PID %1, %2）")
                                    .arg(first.pid())
                                    .arg(AppFolderLocks().self().host));
        EXPECT_FALSE(AppFolderLocks().holds(FolderLock::Role::Window));
    }
    ScriptedDialogs d;
    EXPECT_TRUE(claimWindow(d));
    EXPECT_TRUE(d.texts().isEmpty());
    AppFolderLocks().release(FolderLock::Role::Use);
}

} // namespace
