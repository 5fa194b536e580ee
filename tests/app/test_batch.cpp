// The executable's batch mode as an operator's script sees it.

#include "app/BatchRunner.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

Outcome run(const QStringList &args)
{
    QProcess p;
    p.setProgram(QStringLiteral(TOBARI_EXE));
    p.setArguments(args);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

TEST(Batch, VersionAndHelp)
{
    QTemporaryDir dir;
    const Outcome v = run({"--app-folder", dir.path(), "version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_TRUE(v.out.contains(QStringLiteral("TOBARI EDIシステム 0."))) << v.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("data.db")));   // version touches nothing

    const Outcome h = run({"--help"});
    EXPECT_EQ(h.status, 0);
    for (const char *c : {"version", "init"})
        EXPECT_TRUE(h.out.contains(QString::fromLatin1(c))) << c;
}

TEST(Batch, InitCompletesADataFolderOnce)
{
    QTemporaryDir dir;
    const Outcome first = run({"--app-folder", dir.path(), "init"});
    EXPECT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains("data.db"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("common.db")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("COR/ChangeHist")));
    const Outcome second = run({"--app-folder", dir.path(), "init"});
    EXPECT_EQ(second.status, 0);
    EXPECT_FALSE(second.out.contains(QStringLiteral("作成しました")));
}

TEST(Batch, MenuPrintsAPageAsTheMainScreenShowsIt)
{
    QTemporaryDir dir;
    const Outcome top = run({"--app-folder", dir.path(), "menu"});
    EXPECT_EQ(top.status, 0) << top.err.toStdString();
    const QStringList lines = top.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 10);
    EXPECT_EQ(lines[0], QStringLiteral("メインメニュー"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1  受信データ取込"))) << lines[1].toStdString();
    EXPECT_EQ(run({"--app-folder", dir.path(), "menu", "99"}).status, 1);
}

TEST(Batch, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(run({"no-such-command"}).status, 2);
    EXPECT_EQ(run({"--bogus-option"}).status, 2);
    EXPECT_EQ(run({"--app-folder"}).status, 2);
}

TEST(Batch, QuestionsAreDeclinedWithoutYes)
{
    QTemporaryDir dir;
    ASSERT_EQ(run({"--app-folder", dir.path(), "init"}).status, 0);
    const Outcome declined = run({"--app-folder", dir.path(), "delete-all"});
    EXPECT_EQ(declined.status, 1);
    EXPECT_TRUE(declined.out.contains(QStringLiteral("全ての明細を削除で御座る。　宜しいか？"))) << declined.out.toStdString();
    const Outcome done = run({"--app-folder", dir.path(), "delete-all", "--yes"});
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    const Outcome nothing = run({"--app-folder", dir.path(), "--yes", "cancel-closing"});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_TRUE(nothing.out.contains(QStringLiteral("現在処理中ではありません。")));
}

TEST(Batch, FailureNamesNumberAndExitsWithThree)
{
    QTemporaryDir dir;
    ASSERT_EQ(run({"--app-folder", dir.path(), "init"}).status, 0);
    QFile::remove(dir.filePath("common.db"));
    const Outcome r = run({"--app-folder", dir.path(), "--yes", "delete-all"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.out.contains("3024")) << r.out.toStdString();
}

} // namespace

TEST(Batch, FilesAndPipesAreNoTerminal)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("in.txt"));
    FILE *file = std::fopen(path.constData(), "w+");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(isTerminal(file));   // questions read from a file would be answered by its lines
    std::fclose(file);
}
