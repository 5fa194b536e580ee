#include "maint/Backups.h"

#include "MaintFixture.h"
#include "store/FolderLock.h"
#include "support/FolderHolder.h"
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
    // A restore opens the application connection anew on the restored files.
    int restore(Dialogs &d, const QString &name, int keep, const Backups::RestoreSteps &steps = {})
    {
        const int rc = Backups::restore(d, name, keep, steps);
        db = AppConnection();
        return rc;
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
    ASSERT_EQ(restore(d, first.name, 10), 0) << d.texts().join('\n').toStdString();
    EXPECT_EQ(d.shown()[0].defaultButton, MsgResult::Cancel);
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 2);
    EXPECT_EQ(count(*db, "MST_GUNBAN", "GUN_CD='T99'"), 1);

    // The state before the restore was kept first.
    const QList<BackupEntry> all = Backups::list();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].reason, Backups::reasonRestore());
    ScriptedDialogs undo;
    undo.answer(MsgResult::Ok);
    ASSERT_EQ(restore(undo, all[0].name, 10), 0);
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 0);
    EXPECT_EQ(count(*db, "MST_GUNBAN", "GUN_CD='T99'"), 0);
}

TEST_F(BackupsTest, RestoreKeepsTheBackupItRestoresEvenWhenItIsTheOldest)
{
    const BackupEntry only = Backups::make(*db, Backups::reasonOnDemand(), 1);
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    ASSERT_EQ(restore(d, only.name, 1), 0);
    EXPECT_TRUE(QFileInfo::exists(folder.file("Backup/" + only.name + "/data.db")));
}

TEST_F(BackupsTest, DeclinedRestoreChangesNothing)
{
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    db->execute("DELETE FROM TBL_RD_H2");
    ScriptedDialogs d;
    d.answer(MsgResult::Cancel);
    EXPECT_EQ(restore(d, first.name, 10), 1);
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
    EXPECT_NE(restore(d, first.name, 10), 0);
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

namespace {

// Backups made at the given times, each with its own reason.
void makeAt(Database &db, const QList<QDateTime> &times, int keep)
{
    for (const QDateTime &t : times) {
        Clock::setFixed(t);
        Backups::make(db, t.toString(Qt::ISODate), keep);
    }
}

QStringList names()
{
    QStringList out;
    for (const BackupEntry &e : Backups::list())
        out << e.name;
    return out;
}

TEST_F(BackupsTest, AClockSetBackNeverPrunesTheBackupJustMade)
{
    // Made while the clock ran a year ahead.
    const QDateTime ahead(QDate(2027, 12, 10), QTime(9, 0, 0));
    makeAt(*db, {ahead, ahead.addSecs(60), ahead.addSecs(120)}, 3);
    Clock::setFixed(Start);
    ScriptedDialogs d;
    ASSERT_EQ(Backups::makeBefore(*db, d, Backups::opDeleteAll(), 3), 0);
    EXPECT_EQ(names(), (QStringList{"20271210-090200", "20271210-090100", "20261210-093000"}));
}

TEST_F(BackupsTest, PrunedByTheTimeInBackupJsonNotByName)
{
    makeAt(*db, {Start, Start.addSecs(60), Start.addSecs(120)}, 10);
    // The middle one says it was made first (its folder renamed by hand,
    // or made under another clock).
    const QString middle = folder.file("Backup/20261210-093100/backup.json");
    QFile f(middle);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray json = f.readAll().replace("2026-12-10T09:31:00", "2026-12-01T08:00:00");
    f.close();
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(json);
    f.close();
    EXPECT_EQ(names(), (QStringList{"20261210-093200", "20261210-093000", "20261210-093100"}));
    Clock::setFixed(Start.addSecs(180));
    Backups::make(*db, "new", 3);
    EXPECT_EQ(names(), (QStringList{"20261210-093300", "20261210-093200", "20261210-093000"}));
}

TEST_F(BackupsTest, LeftoversOfInterruptedBackupsGoWhenNoProgramCanBeWritingThem)
{
    auto other = std::make_unique<FolderHolder>(QStringLiteral(FOLDER_LOCK_CHILD), folder.path(), "other",
                                                QStringList{"use"});
    ASSERT_TRUE(other->ok());
    const QString otherId = QStringLiteral("%1@%2").arg(other->pid()).arg(AppFolderLocks().self().host);
    const struct {
        const char *name;
        QString writer;   // empty: none recorded
        bool kept;
    } rows[] = {
        {".20261210-092000.partial", otherId, true},                    // the other program writes it now
        {".20261210-092100.partial", "999999@nowhere", false},          // its writer is gone
        {".20261210-092200.partial", QString(), false},                 // begun before this backup
        {".20261210-094000.partial", QString(), true},                  // begun after: may be the other's
    };
    for (const auto &r : rows) {
        const QDir dir(folder.file(QString("Backup/") + r.name));
        ASSERT_TRUE(QDir().mkpath(dir.path()));
        QFile copy(dir.filePath("data.db"));   // what a killed run leaves: a copy under way
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(QByteArray(4096, 'x'));
        if (!r.writer.isEmpty()) {
            QFile w(dir.filePath("writer"));
            ASSERT_TRUE(w.open(QIODevice::WriteOnly));
            w.write(r.writer.toUtf8());
        }
    }
    Backups::make(*db, "next", 10);
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(QFileInfo::exists(folder.file(QString("Backup/") + r.name)), r.kept);
    }
    // With no other program on the folder every leftover goes.
    other.reset();
    Clock::setFixed(Start.addSecs(1));
    Backups::make(*db, "alone", 10);
    EXPECT_EQ(QDir(folder.file("Backup")).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"20261210-093000", "20261210-093001"}));
}

TEST_F(BackupsTest, ARestoreStoppedBetweenTheRenamesIsFinishedAtStart)
{
    if (testsOnServer())
        GTEST_SKIP() << "about the data folder's database files";
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    db->execute("DELETE FROM TBL_RD_H2");
    db->execute("DELETE FROM MST_GUNBAN WHERE GUN_CD='T99'");
    Clock::setFixed(Start.addSecs(60));
    struct Crash {};
    Backups::RestoreSteps steps;
    steps.afterRename = [](const QString &target) {
        if (target.endsWith("data.db"))
            throw Crash{};
    };
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    EXPECT_THROW(restore(d, first.name, 10, steps), Crash);
    OpenDatabase(false);
    // Half done: data.db is the backup's, common.db still today's.
    EXPECT_EQ(count(*Database::open(folder.file("data.db")), "TBL_RD_H2"), 2);
    EXPECT_EQ(count(*Database::open(folder.file("common.db")), "MST_GUNBAN", "GUN_CD='T99'"), 0);
    ASSERT_TRUE(QFileInfo::exists(folder.file("restore.intent")));

    const QStringList notices = Backups::finishInterruptedRestore();
    EXPECT_EQ(notices, QStringList{QString("前回中断した復元（バックアップ「%1」）を完了しました。元に戻すには「%2」を復元してください。")
                                       .arg(first.name, "20261210-093100")});
    EXPECT_EQ(count(*Database::open(folder.file("data.db")), "TBL_RD_H2"), 2);
    EXPECT_EQ(count(*Database::open(folder.file("common.db")), "MST_GUNBAN", "GUN_CD='T99'"), 1);
    EXPECT_FALSE(QFileInfo::exists(folder.file("restore.intent")));
    EXPECT_FALSE(QFileInfo::exists(folder.file("common.db.restore")));
    EXPECT_TRUE(Backups::finishInterruptedRestore().isEmpty());
}

TEST_F(BackupsTest, ARestoreWithCommonHeldByAReaderReplacesBothFiles)
{
    if (testsOnServer())
        GTEST_SKIP() << "about the data folder's database files";
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    db->execute("DELETE FROM TBL_RD_H2");
    db->execute("DELETE FROM MST_GUNBAN WHERE GUN_CD='T99'");
    Clock::setFixed(Start.addSecs(60));
    // An SQLite browser in the middle of reading common.db.
    auto reader = Database::open(folder.file("common.db"));
    reader->execute("BEGIN");
    EXPECT_EQ(count(*reader, "MST_GUNBAN", "GUN_CD='T99'"), 0);

    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    EXPECT_EQ(restore(d, first.name, 10), 0) << d.texts().join('\n').toStdString();
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 2);
    EXPECT_EQ(count(*db, "MST_GUNBAN", "GUN_CD='T99'"), 1);
    EXPECT_EQ(d.texts().last(), QString("バックアップ「%1」の状態に戻しました。\n元に戻すには「20261210-093100」を復元してください。")
                                    .arg(first.name));
}

TEST_F(BackupsTest, ARestoreThatFailsBeforeTheRenamesChangesNeitherFileAndSaysSo)
{
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    db->execute("DELETE FROM TBL_RD_H2");
    db->execute("DELETE FROM MST_GUNBAN WHERE GUN_CD='T99'");
    Clock::setFixed(Start.addSecs(60));
    // No room for the working copy of common.db: a folder under its name.
    ASSERT_TRUE(QDir().mkpath(folder.file("common.db.restore/x")));
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    EXPECT_NE(restore(d, first.name, 10), 0);
    EXPECT_TRUE(d.texts().last().startsWith(QString("復元できませんでした。データベースは元のままです。")))
        << d.texts().join('\n').toStdString();
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 0);
    EXPECT_EQ(count(*db, "MST_GUNBAN", "GUN_CD='T99'"), 0);
    EXPECT_FALSE(QFileInfo::exists(folder.file("data.db.restore")));
    EXPECT_FALSE(QFileInfo::exists(folder.file("restore.intent")));
}

TEST_F(BackupsTest, ARestoreWhileAnotherProgramUsesTheFolderIsRefused)
{
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    db->execute("DELETE FROM TBL_RD_H2");
    FolderHolder other(QStringLiteral(FOLDER_LOCK_CHILD), folder.path(), "tobari-edi import-order", {"use"});
    ASSERT_TRUE(other.ok());
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    EXPECT_EQ(restore(d, first.name, 10), FolderLock::InUse);
    EXPECT_TRUE(d.texts().last().startsWith(
        QString("他のプログラム（1 件）がこのデータフォルダを使用中です。終了してからもう一度実行してください。\n"
                "tobari-edi import-order（PID %1,")
            .arg(other.pid())))
        << d.texts().join('\n').toStdString();
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 0);
    EXPECT_EQ(Backups::list().size(), 1);
}

} // namespace

namespace {

// Until a server restore replaces the rows, it is refused before it makes
// a backup or touches a row: never a restore reported that did not happen.
TEST_F(BackupsTest, OnTheServerARestoreIsRefusedBeforeAnythingChanges)
{
    if (!testsOnServer())
        GTEST_SKIP() << "the data folder's files are restored on the embedded engine";
    const BackupEntry first = Backups::make(*db, Backups::reasonOnDemand(), 10);
    db->execute("DELETE FROM TBL_RD_H2");
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    EXPECT_NE(restore(d, first.name, 10), 0);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 0);
    EXPECT_EQ(Backups::list().size(), 1);
    EXPECT_TRUE(d.texts().last().startsWith(QString::fromUtf8("復元できませんでした。データベースは元のままです。")))
        << d.texts().last().toStdString();
}

} // namespace
