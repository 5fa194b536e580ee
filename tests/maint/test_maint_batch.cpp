// The maintenance commands as an operator's script sees them.

#include "MaintFixture.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace MaintFixture;

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

class MaintBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(run({"init"}).status, 0);
        auto db = Database::open(dir.filePath("data.db"));
        addBatch(*db, 1, "260801", {Slip{}});                      // billed and issued: ticked
        addBatch(*db, 2, "260801", {Slip{}});
        addBatch(*db, 3, "260801", {Slip{"0", "0", "-1"}});        // unbilled: unticked
    }
    Outcome run(QStringList args)
    {
        QProcess p;
        p.setProgram(QStringLiteral(TOBARI_EXE));
        p.setArguments(QStringList{"--app-folder", dir.path(), "--now", "2026-12-10T09:30:00"} + args);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start();
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    qint64 batches() { return count(*Database::open(dir.filePath("data.db")), "TBL_RD_H1"); }
    QTemporaryDir dir;
};

TEST_F(MaintBatch, RetentionListsTicksAndDeletesOnlyWithYes)
{
    const Outcome declined = run({"retention"});
    EXPECT_EQ(declined.status, 1) << declined.err.toStdString();
    EXPECT_TRUE(declined.out.contains(QString::fromUtf8("削除\t1\t"))) << declined.out.toStdString();
    EXPECT_TRUE(declined.out.contains(QString::fromUtf8("残す\t3\t"))) << declined.out.toStdString();
    EXPECT_EQ(batches(), 3);

    const Outcome done = run({"retention", "--keep-batch", "2", "--yes"});
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(batches(), 2);   // only batch 1 went
    EXPECT_EQ(count(*Database::open(dir.filePath("data.db")), "TBL_RD_H1", "INDEXNOH1=1"), 0);
}

TEST_F(MaintBatch, RetentionRefusesWrongArguments)
{
    const struct {
        QStringList args;
    } rows[] = {{{"retention", "--order-months", "25", "--yes"}},
                {{"retention", "--keep-batch", "9", "--yes"}},
                {{"retention", "--order-months"}},
                {{"retention", "--order-months", "1,2", "--yes"}},
                {{"retention", "--billing-months", "－３", "--yes"}},
                {{"retention", "--pb-months", "1 2", "--yes"}},
                {{"retention", "--everything"}}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.args.join(' ').toStdString());
        EXPECT_EQ(run(r.args).status, 2);
        EXPECT_EQ(batches(), 3);
    }
}

// The batches were imported 2026/08/01: four months back (2026/08/10) takes
// them, five (2026/07/10) keeps them, typed full-width or not.
TEST_F(MaintBatch, RetentionMonthsTypedFullWidth)
{
    const Outcome kept = run({"retention", "--order-months", "５", "--yes"});
    EXPECT_FALSE(kept.out.contains(QString::fromUtf8("削除\t1\t"))) << kept.out.toStdString();
    EXPECT_EQ(batches(), 3);

    const Outcome done = run({"retention", "--order-months", "４", "--billing-months", "１２", "--pb-months", "２４", "--yes"});
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(batches(), 1);   // batch 3 is not billed yet
}

TEST_F(MaintBatch, BackupListRestoreAndUndo)
{
    EXPECT_EQ(run({"backups"}).status, 1);
    const Outcome made = run({"backup"});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    EXPECT_TRUE(made.out.contains("20261210-093000"));
    ASSERT_EQ(run({"delete-all", "--yes"}).status, 0);
    EXPECT_EQ(batches(), 0);

    EXPECT_EQ(run({"restore", "20261210-093000"}).status, 1);   // declined without --yes
    EXPECT_EQ(batches(), 0);
    const Outcome restored = run({"restore", "20261210-093000", "--yes"});
    ASSERT_EQ(restored.status, 0) << restored.err.toStdString();
    EXPECT_EQ(batches(), 3);

    // Newest first: the state before the restore, the one before delete-all, the manual one.
    const QStringList lines = run({"backups"}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("20261210-093000-03  2026/12/10 09:30:00  " + QString::fromUtf8("復元の前")));
    EXPECT_TRUE(lines[1].endsWith(QString::fromUtf8("全データ削除の前")));
    EXPECT_TRUE(lines[2].startsWith("20261210-093000  "));
    ASSERT_EQ(run({"restore", "20261210-093000-03", "--yes"}).status, 0);
    EXPECT_EQ(batches(), 0);
    EXPECT_EQ(run({"restore", "nope", "--yes"}).status, 1);
}

TEST_F(MaintBatch, CompactBacksUpAndKeepsTheRows)
{
    const Outcome c = run({"compact"});
    EXPECT_EQ(c.status, 0) << c.err.toStdString() << c.out.toStdString();
    EXPECT_EQ(batches(), 3);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("data.db.TEMP")));
    EXPECT_TRUE(run({"backups"}).out.contains(QString::fromUtf8("最適化の前")));
}

TEST_F(MaintBatch, PendingListsTheBatchesNotPrinted)
{
    const Outcome slips = run({"pending", "--slips"});
    EXPECT_EQ(slips.status, 0) << slips.err.toStdString();
    EXPECT_EQ(slips.out.split('\n', Qt::SkipEmptyParts).size(), 4);   // captions and three batches
    EXPECT_TRUE(slips.out.contains(QString::fromUtf8("25年01月31日")));
    EXPECT_EQ(run({"pending"}).status, 2);
    {
        auto db = Database::open(dir.filePath("data.db"));
        db->execute("UPDATE TBL_FLG_DATA SET SHINAZOROE_OP_DATE='261002'");
    }
    const Outcome none = run({"pending", "--lists"});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.contains(QString::fromUtf8("出力する明細は存在しません。")));
}

} // namespace
