// The data-folder lock between real programs: who may hold the folder
// beside whom, how the others are counted and named, and that a killed
// program leaves nothing behind.

#include "store/AppFolder.h"
#include "store/FolderLock.h"
#include "support/FolderHolder.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using FolderLock::Role;
using namespace std::chrono_literals;

class FolderLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        AppFolder::setPath(dir.path());
    }
    void TearDown() override { AppFolderLocks().release(Role::Use); }

    std::unique_ptr<FolderHolder> holder(const QString &name, const QStringList &roles)
    {
        auto h = std::make_unique<FolderHolder>(QStringLiteral(FOLDER_LOCK_CHILD), dir.path(), name, roles);
        EXPECT_TRUE(h->ok()) << name.toStdString();
        return h;
    }

    QTemporaryDir dir;
};

QString roleName(Role r)
{
    return r == Role::Use ? "use" : r == Role::Window ? "window" : "replace";
}

TEST_F(FolderLockTest, WhoMayHoldTheFolderBesideWhom)
{
    const struct {
        Role other, mine;
        bool granted;
    } rows[] = {
        {Role::Use, Role::Use, true},          // two batch commands
        {Role::Use, Role::Window, true},       // a window beside a batch command
        {Role::Use, Role::Replace, false},     // no compaction under another program
        {Role::Window, Role::Use, true},       // a batch command beside the window
        {Role::Window, Role::Window, false},   // one window per folder
        {Role::Window, Role::Replace, false},
        {Role::Replace, Role::Use, false},     // nothing starts while files are replaced
        {Role::Replace, Role::Window, false},
        {Role::Replace, Role::Replace, false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(QStringLiteral("%1 held, %2 asked").arg(roleName(r.other), roleName(r.mine)).toStdString());
        QStringList roles{"use"};
        if (r.other != Role::Use)
            roles << roleName(r.other);
        auto other = holder("other", roles);
        const auto refused = AppFolderLocks().take(r.mine, 0ms);
        EXPECT_EQ(!refused, r.granted);
        EXPECT_EQ(AppFolderLocks().holds(r.mine), r.granted);
        if (refused)
            // Every role starts with use, which a replace keeps out.
            EXPECT_EQ(refused->role, r.other == Role::Replace ? Role::Use : r.mine);
        AppFolderLocks().release(Role::Use);
    }
}

TEST_F(FolderLockTest, ReplaceRefusedCountsAndNamesTheOtherPrograms)
{
    auto a = holder("tobari-edi correct-slip", {"use"});
    auto b = holder("tobari-edi（画面）", {"use", "window"});
    ASSERT_FALSE(AppFolderLocks().take(Role::Use, 0ms));
    const auto refused = AppFolderLocks().take(Role::Replace, 300ms);
    ASSERT_TRUE(refused);
    ASSERT_EQ(refused->holders.size(), 2);
    const QStringList lines = refused->message().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("他のプログラム（2 件）がこのデータフォルダを使用中です。終了してからもう一度実行してください。"));
    QList<qint64> pids;
    for (const FolderLock::Holder &h : refused->holders)
        pids << h.pid;
    std::sort(pids.begin(), pids.end());
    QList<qint64> want{a->pid(), b->pid()};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(pids, want);
    EXPECT_TRUE(lines.contains(QStringLiteral("tobari-edi correct-slip（PID %1, %2）")
                                   .arg(a->pid())
                                   .arg(refused->holders[0].host)))
        << refused->message().toStdString();
    // Refused means unchanged: this program still uses the folder, beside them.
    EXPECT_TRUE(AppFolderLocks().holds(Role::Use));
    EXPECT_FALSE(AppFolderLocks().holds(Role::Replace));
    AppFolderLocks().release(Role::Use);
    // A role refused to a program that did not use the folder yet leaves
    // it not using it.
    EXPECT_TRUE(AppFolderLocks().take(Role::Replace, 0ms));
    EXPECT_FALSE(AppFolderLocks().holds(Role::Use));
}

TEST_F(FolderLockTest, AKilledProgramLeavesNothingBehind)
{
    auto other = holder("killed", {"use", "window"});
    ASSERT_TRUE(AppFolderLocks().take(Role::Replace, 0ms));
    other->kill();
    EXPECT_FALSE(AppFolderLocks().take(Role::Replace, 0ms));
    EXPECT_TRUE(AppFolderLocks().others().isEmpty());
    AppFolderLocks().release(Role::Replace);
    EXPECT_FALSE(AppFolderLocks().take(Role::Window, 0ms));
}

TEST_F(FolderLockTest, TheWindowRefusedNamesTheWindowAndAReplaceNamesItself)
{
    auto batch = holder("tobari-edi batches", {"use"});
    auto window = holder("tobari-edi（画面）", {"use", "window"});
    const auto second = AppFolderLocks().take(Role::Window, 0ms);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->message().split('\n').mid(1).join('|'),
              QStringLiteral("tobari-edi（画面）（PID %1, %2）").arg(window->pid()).arg(AppFolderLocks().self().host));
    window.reset();
    batch.reset();

    auto compacting = holder("tobari-edi compact", {"use", "replace"});
    const auto blocked = AppFolderLocks().take(Role::Use, 200ms);
    ASSERT_TRUE(blocked);
    EXPECT_EQ(blocked->role, Role::Use);
    EXPECT_TRUE(blocked->message().endsWith(
        QStringLiteral("tobari-edi compact（PID %1, %2）").arg(compacting->pid()).arg(AppFolderLocks().self().host)))
        << blocked->message().toStdString();
}

TEST_F(FolderLockTest, GivingUpReplaceLetsOthersIn)
{
    ASSERT_FALSE(AppFolderLocks().take(Role::Replace, 0ms));
    {
        FolderHolder refused(QStringLiteral(FOLDER_LOCK_CHILD), dir.path(), "late", {"use"});
        EXPECT_FALSE(refused.ok());
    }
    AppFolderLocks().release(Role::Replace);
    EXPECT_TRUE(AppFolderLocks().holds(Role::Use));
    auto late = holder("late", {"use"});
    EXPECT_EQ(AppFolderLocks().others().size(), 1);
}

} // namespace
