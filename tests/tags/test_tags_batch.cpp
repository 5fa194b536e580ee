// The tag batch commands as a script runs them.

#include "store/Settings.h"
#include "support/TempDataFolder.h"
#include "tags/LabelProgramStandIn.h"
#include "tags/TagFixture.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

const QVariant kNull;

struct Outcome {
    int status;
    QString out;
};

class TagsBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        Database &db = folder.prepare();
        TagFixture::masters(db);
        TagFixture::line(db, {1, 10, "1", "2", "000030", kNull});
        TagFixture::line(db, {1, 11, "1", "2", "000020", "261201", "000001", "101", "02"});
        TagFixture::line(db, {1, 20, "5", "1", "000020", kNull});
        OpenDatabase(false);
        setProgram(program.program());
    }
    void setProgram(const QString &path) { ASSERT_TRUE(Settings::write(SettingKey::BtdPath, path)); }

    Outcome run(QStringList args)
    {
        QProcess p;
        p.setProgram(QStringLiteral(TOBARI_EXE));
        p.setArguments(QStringList{"--app-folder", folder.path(), "--now", "2026-12-10T09:30:00"} + args);
        p.setStandardInputFile(QProcess::nullDevice());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start();
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
    }
    QString stamp(int bd)
    {
        auto db = openConfiguredDatabase();
        return db->scalar("Select TAG_OP_DATE From TBL_RD_BD Where INDEXNOBD=?", {bd}).toString();
    }

    TempDataFolder folder;
    LabelProgramStandIn program{folder.file("bin")};
};

TEST_F(TagsBatch, SummaryPrintsTheRebuiltRows)
{
    const Outcome o = run({"tag-summary", "--batch", "1"});
    EXPECT_EQ(o.status, 0) << o.out.toStdString();
    EXPECT_EQ(o.out, QStringLiteral("1\t1\t2\t値札A\t2\t出力済み\n1\t1\t2\t値札A\t3\t\n1\t5\t1\t7\t2\t\n"));
}

TEST_F(TagsBatch, KindRunAndReprint)
{
    const Outcome o = run({"--yes", "tags", "--batch", "1", "--kind", "1", "2"});
    EXPECT_EQ(o.status, 0) << o.out.toStdString();
    ASSERT_TRUE(program.arguments());
    EXPECT_EQ(stamp(10), "261210");
    EXPECT_EQ(stamp(11), "261201");
    EXPECT_TRUE(o.out.contains(folder.file("TAG_CSV/12.CSV"))) << o.out.toStdString();

    const Outcome again = run({"--yes", "tags", "--batch", "1", "--kind", "1", "2"});
    EXPECT_EQ(again.status, 1);   // nothing left to write
    const Outcome reprint = run({"--yes", "tags", "--batch", "1", "--kind", "1", "2", "--reprint"});
    EXPECT_EQ(reprint.status, 0) << reprint.out.toStdString();
    EXPECT_EQ(stamp(11), "261210");
}

TEST_F(TagsBatch, LineRunCounts)
{
    struct Case {
        const char *count;
        int status;
        QString message;
    };
    const Case cases[] = {
        {"0", 1, QStringLiteral("1未満の数字が入力されました。")},
        {"-3", 1, QStringLiteral("1未満の数字が入力されました。")},
        {"x", 1, QStringLiteral("数値以外の文字が入力されました。")},
        {"5", 0, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.count);
        const Outcome o = run({"--yes", "tags", "--line", "10", "--count", c.count});
        EXPECT_EQ(o.status, c.status) << o.out.toStdString();
        if (!c.message.isEmpty()) {
            EXPECT_TRUE(o.out.contains(c.message)) << o.out.toStdString();
            EXPECT_TRUE(stamp(10).isEmpty());
        }
    }
    EXPECT_TRUE(readBytes(folder.file("TAG_CSV/12.CSV")).contains(",5,\"\\1995\"\r\n"));
    EXPECT_EQ(stamp(10), "261210");
}

// The summary is current after a line run, as after a kind run.
TEST_F(TagsBatch, LineRunRebuildsTheSummary)
{
    ASSERT_EQ(run({"tag-summary", "--batch", "1"}).status, 0);
    const Outcome o = run({"--yes", "tags", "--line", "10", "--count", "5"});
    ASSERT_EQ(o.status, 0) << o.out.toStdString();
    auto db = openConfiguredDatabase();
    EXPECT_EQ(TagFixture::summary(*db), (QStringList{QStringLiteral("1|1|2|値札A|5|出力済み"), "1|5|1|7|2|"}));
}

TEST_F(TagsBatch, MissingLabelProgramFailsWithTheScreensMessage)
{
    setProgram(folder.file("no-such-program"));
    const Outcome o = run({"--yes", "tags", "--batch", "1", "--kind", "1", "2"});
    EXPECT_EQ(o.status, 3);
    EXPECT_TRUE(o.out.contains(QStringLiteral("内部設定(conf.dat)の設定が間違っています。管理者に連絡してください。")))
        << o.out.toStdString();
    EXPECT_TRUE(stamp(10).isEmpty());
}

// The request commands on a data folder that the executable completes
// itself: the confirmation template is installed from the built-in copy.
TEST_F(TagsBatch, RequestWorkbooksListAndTagData)
{
    ASSERT_TRUE(Settings::write(SettingKey::WritePath, folder.file("out")));
    {
        auto db = openConfiguredDatabase();
        db->execute("Update TBL_RD_H2 Set OMTRCD='654321',OMTRKN='TOBARI',OMYOB3='010001',SEIKYU_FLG='0'");
    }
    const Outcome made = run({"--yes", "request-workbooks", "--batch", "1"});
    EXPECT_EQ(made.status, 0) << made.out.toStdString();
    // One line per workbook: request number, tab, path.
    EXPECT_TRUE(made.out.contains("\n1\t" + folder.file("out/1/261210_1_TOBARI_"))) << made.out.toStdString();
    EXPECT_TRUE(QFileInfo(folder.file("COR/TOOCS")).isFile());

    const Outcome listed = run({"requests"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.out.startsWith(QStringLiteral("1\t東日本値札センター\tTOBARI\t\t3\n"))) << listed.out.toStdString();

    const Outcome tags = run({"--yes", "request-tags", "--request", "1"});
    EXPECT_EQ(tags.status, 0) << tags.out.toStdString();
    EXPECT_TRUE(tags.out.contains(folder.file("out/InPrintData/1/12.CSV"))) << tags.out.toStdString();
    EXPECT_TRUE(tags.out.contains(folder.file("out/InPrintData/1/7.CSV"))) << tags.out.toStdString();
    EXPECT_EQ(run({"request-tags", "--request", "1"}).status, 1);   // declined without --yes
}

TEST_F(TagsBatch, UsageErrors)
{
    for (const QStringList &args : {QStringList{"tags"}, QStringList{"tags", "--batch", "1"},
                                    QStringList{"tags", "--line", "10"}, QStringList{"tags", "--batch", "x", "--kind", "1", "2"},
                                    QStringList{"tag-summary"}, QStringList{"request-workbooks"},
                                    QStringList{"request-tags"}, QStringList{"requests", "x"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(run(args).status, 2);
    }
}

} // namespace
