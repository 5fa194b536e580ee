#include "maint/Compaction.h"
#include "maint/Backups.h"

#include "MaintFixture.h"
#include "store/DataFolder.h"
#include "store/FolderLock.h"
#include "support/FolderHolder.h"
#include "store/Schema.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace MaintFixture;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Every table of a file with its row count, as one comparable text.
QString contentsOf(const QString &path)
{
    auto db = Database::open(path);
    QString out;
    for (const QString &t : db->tables("main"))
        out += t + "=" + db->scalar("SELECT count(*) FROM \"" + t + "\"").toString() + ";";
    return out;
}

class CompactionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (testsOnServer())
            GTEST_SKIP() << "about the data folder's database files";
        Database &db = folder.prepare();
        // Enough rows that deleting most of them frees whole pages.
        Transaction tx(db);
        QList<Slip> slips;
        for (int i = 0; i < 400; ++i)
            slips << Slip{};
        addBatch(db, 1, "250101", slips);
        db.execute("UPDATE TBL_RD_BD SET ONSYKN=printf('%.300c','x')");
        tx.commit();
        db.execute("DELETE FROM TBL_RD_BD WHERE INDEXNOBD > 20");
        close();
        dataPath = folder.file("data.db");
        copyPath = folder.file("data.db.TEMP");
    }
    void close()
    {
        OpenDatabase(false);
    }

    TempDataFolder folder;
    QString dataPath;
    QString copyPath;
};

TEST_F(CompactionTest, KeepsEveryTableAndRowAndShrinksTheFile)
{
    const QString before = contentsOf(dataPath);
    const qint64 sizeBefore = QFileInfo(dataPath).size();
    const QByteArray common = bytesOf(folder.file("common.db"));
    ScriptedDialogs d;
    EXPECT_EQ(Compaction::compactDataFolder(d), 0);
    EXPECT_TRUE(d.texts().isEmpty()) << d.texts().join('\n').toStdString();
    EXPECT_EQ(contentsOf(dataPath), before);
    EXPECT_LT(QFileInfo(dataPath).size(), sizeBefore);
    EXPECT_FALSE(QFileInfo::exists(copyPath));
    EXPECT_EQ(bytesOf(folder.file("common.db")), common);   // not compacted
    EXPECT_EQ(Database::open(dataPath)->scalar("PRAGMA user_version").toInt(), Schema::Version);
}

TEST_F(CompactionTest, LeftoverCopyIsRemovedWhileDataIsIntact)
{
    writeBytes(copyPath, "half a copy from an earlier run");
    ScriptedDialogs d;
    EXPECT_EQ(Compaction::compactDataFolder(d), 0);
    EXPECT_FALSE(QFileInfo::exists(copyPath));
    EXPECT_EQ(count(*Database::open(dataPath), "TBL_RD_BD"), 20);
}

TEST_F(CompactionTest, LeftoverCopyStaysWhenDataIsDamaged)
{
    QByteArray damaged = bytesOf(dataPath);
    damaged.replace(0, 16, QByteArray(16, 'Z'));   // no longer a database header
    writeBytes(dataPath, damaged);
    writeBytes(copyPath, "the only other copy");
    ScriptedDialogs d;
    EXPECT_NE(Compaction::compactDataFolder(d), 0);
    EXPECT_EQ(bytesOf(copyPath), QByteArray("the only other copy"));
    EXPECT_EQ(bytesOf(dataPath), damaged);
    ASSERT_EQ(d.shown().size(), 1);
    EXPECT_TRUE(d.shown()[0].text.startsWith(QString::fromUtf8("エラーが発生しました。\n")));
    EXPECT_EQ(d.shown()[0].icon, MsgIcon::None);
}

// A failure between the steps leaves data.db exactly as it was.
struct FailureCase {
    const char *name;
    std::function<void(const QString &copy)> afterCopy;
    bool copyRemains;
};

class CompactionFailure : public CompactionTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CompactionFailure, LeavesDataUntouched)
{
    const QByteArray before = bytesOf(dataPath);
    ScriptedDialogs d;
    Compaction::Steps steps;
    steps.afterCopy = GetParam().afterCopy;
    EXPECT_NE(Compaction::compactDataFolder(d, steps), 0);
    EXPECT_EQ(bytesOf(dataPath), before);
    EXPECT_EQ(contentsOf(dataPath).isEmpty(), false);
    EXPECT_EQ(QFileInfo::exists(copyPath), GetParam().copyRemains);
    ASSERT_EQ(d.shown().size(), 1);
    EXPECT_TRUE(d.shown()[0].text.startsWith(QString::fromUtf8("エラーが発生しました。")));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CompactionFailure,
    ::testing::Values(
        FailureCase{"CopyCutShort",
                    [](const QString &copy) {
                        QFile f(copy);
                        f.resize(f.size() / 2);
                    },
                    false},
        FailureCase{"CopyLostRows",
                    [](const QString &copy) { Database::open(copy)->execute("DELETE FROM TBL_RD_BD WHERE INDEXNOBD=3"); },
                    false},
        FailureCase{"CopyLostTable",
                    [](const QString &copy) { Database::open(copy)->execute("DROP TABLE TBL_SEZ_BD"); }, false},
        FailureCase{"StepFails",
                    [](const QString &) { throw DbError(DbErr::PathAccess, "injected"); }, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CompactionTest, CopyNameTakenByAFolderStopsBeforeAnyChange)
{
    ASSERT_TRUE(QDir().mkpath(copyPath + "/inside"));
    const QByteArray before = bytesOf(dataPath);
    ScriptedDialogs d;
    EXPECT_NE(Compaction::compactDataFolder(d), 0);
    EXPECT_EQ(bytesOf(dataPath), before);
}

TEST_F(CompactionTest, ReadOnlyFolderLeavesDataUntouched)
{
    const QByteArray before = bytesOf(dataPath);
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    const bool stillWritable = QFile(folder.file("probe")).open(QIODevice::WriteOnly);
    if (stillWritable) {
        QFile::remove(folder.file("probe"));
        ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
        GTEST_SKIP() << "permissions are not enforced for this user";
    }
    ScriptedDialogs d;
    const int rc = Compaction::compactDataFolder(d);
    ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(bytesOf(dataPath), before);
}

TEST_F(CompactionTest, StartUpPutsACompleteCopyBackWhenDataIsMissing)
{
    const QString before = contentsOf(dataPath);
    ASSERT_TRUE(QFile::rename(dataPath, copyPath));   // cut off between the steps
    const DataFolder::Result r = DataFolder::prepare();
    EXPECT_EQ(r.notices.size(), 1);
    EXPECT_FALSE(r.created.contains("data.db"));
    EXPECT_FALSE(QFileInfo::exists(copyPath));
    EXPECT_EQ(contentsOf(dataPath), before);
}

struct stat statOf(const QString &path)
{
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st;
}

TEST_F(CompactionTest, KeepsTheModeOwnerAndGroupOfDataDb)
{
    const QByteArray path = QFile::encodeName(dataPath);
    // A folder shared by a group: data.db writable by the group, which a
    // new file under the usual umask is not.
    ASSERT_EQ(::chmod(path.constData(), 0660), 0);
    // Where this process may give the file away, it belongs to another user.
    const bool mayGiveAway = ::geteuid() == 0;
    if (mayGiveAway) {
        ASSERT_EQ(::chown(path.constData(), 1234, 2345), 0);
    }
    const struct stat before = statOf(dataPath);
    ScriptedDialogs d;
    ASSERT_EQ(Compaction::compactDataFolder(d), 0) << d.texts().join('\n').toStdString();
    const struct stat after = statOf(dataPath);
    EXPECT_NE(after.st_ino, before.st_ino);   // a new file took the name
    EXPECT_EQ(after.st_mode & 07777, 0660u);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_uid, before.st_uid);
}

TEST_F(CompactionTest, RefusedWhileAnotherProgramUsesTheFolder)
{
    const QByteArray before = bytesOf(dataPath);
    FolderHolder other(QStringLiteral(FOLDER_LOCK_CHILD), folder.path(), "tobari-edi correct-slip", {"use"});
    ASSERT_TRUE(other.ok());
    ScriptedDialogs d;
    EXPECT_EQ(Compaction::compactDataFolder(d), FolderLock::InUse);
    ASSERT_EQ(d.texts().size(), 1);
    EXPECT_EQ(d.texts()[0].section('\n', 0, 0),
              QString("他のプログラム（1 件）がこのデータフォルダを使用中です。終了してからもう一度実行してください。"));
    EXPECT_EQ(bytesOf(dataPath), before);
    EXPECT_FALSE(QFileInfo::exists(copyPath));
    other.stop();
    EXPECT_EQ(Compaction::compactDataFolder(d), 0);
}

TEST_F(CompactionTest, StartUpLeavesACopyAloneWhileAnotherProgramHasTheFolder)
{
    ASSERT_TRUE(QFile::rename(dataPath, copyPath));
    FolderHolder other(QStringLiteral(FOLDER_LOCK_CHILD), folder.path(), "compacting", {"use"});
    ASSERT_TRUE(other.ok());
    AppFolderLocks().release(FolderLock::Role::Use);   // a program just starting
    try {
        DataFolder::prepare();
        ADD_FAILURE() << "start-up repaired the folder under another program";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), FolderLock::InUse);
    }
    EXPECT_TRUE(QFileInfo::exists(copyPath));
    EXPECT_FALSE(QFileInfo::exists(dataPath));
    other.stop();
    EXPECT_EQ(DataFolder::prepare().notices.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(dataPath));
}

TEST_F(CompactionTest, StartUpIgnoresAnIncompleteCopy)
{
    QFile::remove(dataPath);
    QByteArray cut = bytesOf(folder.file("common.db"));   // a database, but not ours
    writeBytes(copyPath, cut);
    const DataFolder::Result r = DataFolder::prepare();
    EXPECT_TRUE(r.notices.isEmpty());
    EXPECT_TRUE(r.created.contains("data.db"));   // a new, empty one
    EXPECT_EQ(count(*Database::open(dataPath), "TBL_RD_BD"), 0);
}

} // namespace

namespace {

TEST(ApplicationCompaction, BacksUpFirstAndLeavesTheConnectionClosed)
{
    TempDataFolder folder;
    Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(18, 0)));
    addBatch(folder.prepare(), 1, "261201", {Slip{}});
    ScriptedDialogs d;
    EXPECT_EQ(Compaction::compactApplicationDatabase(d, 10), 0);
    EXPECT_EQ(AppConnection(), nullptr);
    const QList<BackupEntry> backups = Backups::list();
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(backups[0].reason, Backups::reasonCompaction());
    ASSERT_EQ(OpenDatabase(true), 0);
    EXPECT_EQ(count(RequireConnection(), "TBL_RD_H1"), 1);
}

TEST(ApplicationCompaction, FailedBackupStopsBeforeTheCompaction)
{
    TempDataFolder folder;
    folder.prepare();
    QFile blocker(folder.file("Backup"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Compaction::Steps steps;
    bool compacted = false;
    steps.afterCopy = [&](const QString &) { compacted = true; };
    ScriptedDialogs d;
    EXPECT_NE(Compaction::compactApplicationDatabase(d, 10, steps), 0);
    EXPECT_FALSE(compacted);
    EXPECT_TRUE(d.texts().join("").contains(QString::fromUtf8("最適化は行いません。")));
}

} // namespace

namespace {

TEST(ApplicationCompaction, AtCloseACompactionThatCannotHaveTheFolderIsKeptForTheNextClose)
{
    TempDataFolder folder;
    Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(18, 0)));
    Database &db = folder.prepare();
    addBatch(db, 1, "261201", {Slip{}});
    auto other = std::make_unique<FolderHolder>(QStringLiteral(FOLDER_LOCK_CHILD), folder.path(),
                                                "tobari-edi import-order", QStringList{"use"});
    ASSERT_TRUE(other->ok());
    ScriptedDialogs d;
    EXPECT_EQ(Compaction::compactAtClose(d, 10), FolderLock::InUse);
    ASSERT_EQ(d.texts().size(), 1);
    EXPECT_EQ(d.texts()[0], QString("他のプログラム（1 件）がこのデータフォルダを使用中のため、データベースを最適化できませんでした。\n"
                                    "次回の終了時にもう一度最適化します。"));
    EXPECT_TRUE(Backups::list().isEmpty());
    EXPECT_TRUE(Compaction::isPending(RequireConnection()));

    other.reset();
    ScriptedDialogs next;
    EXPECT_EQ(Compaction::compactAtClose(next, 10), 0) << next.texts().join('\n').toStdString();
    EXPECT_EQ(Backups::list().size(), 1);
    ASSERT_EQ(OpenDatabase(true), 0);
    EXPECT_FALSE(Compaction::isPending(RequireConnection()));
}

} // namespace
