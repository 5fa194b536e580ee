// The batch-mode commands around the imports.

#include "ImportTestSupport.h"
#include "OrderFixture.h"
#include "import/ImportBatch.h"
#include "store/Clock.h"
#include "support/TempDataFolder.h"

#include <QFileInfo>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

QString u(const char16_t *s)
{
    return QString::fromUtf16(s);
}

class ImportBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.prepare();
        Clock::setFixed(QDateTime(QDate(2025, 3, 4), QTime(13, 5, 9)));
    }

    int run(const QString &command, const QStringList &args)
    {
        return runImportCommand(command, args, dialogs, outText, errText);
    }

    TempDataFolder folder;
    ScriptedDialogs dialogs;
    QString outText;
    QString errText;
};

TEST_F(ImportBatchTest, ImportOrderPrintsTheBatchesAndListsThem)
{
    const QString file = folder.file("order.txt");
    writeFile(file, orderFile({fileHeader("250301", "093000", "00001", "00002"), OrderRecord::slip(),
                               OrderRecord::line(), OrderRecord::line()}));
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(run("import-order", {file}), BatchExit::Done);
    EXPECT_EQ(outText, u(u"管理No 1: データ処理日付 250301 093000、伝票 1 枚、明細 2 行\n"
                         u"読込みが正常に終了しました。\n"));
    EXPECT_TRUE(QFileInfo::exists(file));   // stays without --trash

    EXPECT_EQ(run("batches", {}), BatchExit::Done);
    EXPECT_EQ(outText, u(u"管理No\tデータ日付\t取込日\t取込時刻\t伝票枚数\t明細行数\n1\t\t250304\t130509\t1\t2\n"));
}

struct ExitCase {
    const char *name;
    QString command;
    QByteArray content;       // written to the file named in the arguments
    QStringList answers;      // "ok" / "cancel" for the questions asked
    int exit;
    QString printed;          // a line that the output or the errors contain
};

class ImportExits : public ImportBatchTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ImportExits, FollowTheBatchRules)
{
    const ExitCase &c = GetParam();
    const QString file = folder.file("in.txt");
    writeFile(file, c.content);
    for (const QString &a : c.answers)
        dialogs.answer(a == "ok" ? MsgResult::Ok : MsgResult::Cancel);
    EXPECT_EQ(run(c.command, {file}), c.exit);
    EXPECT_TRUE((outText + errText).contains(c.printed)) << (outText + errText).toStdString();
    EXPECT_EQ(dialogs.pending(), 0u);
}

QByteArray pbFile()
{
    return "0,1,2,A,3,1,P,G,T,20251231,S,M,C,D1,D2,0,x\r\n"
           "0,1,2,B,4,1,P,G,T,20251231,S,M,C,D1,D2,0,x\r\n"
           "0,1,2,C,3,1,P,G,T,20251231,S,M,C,D1,D2,0,x\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportExits,
    ::testing::Values(
        ExitCase{"order_declined", "import-order",
                 orderFile({fileHeader("250301", "093000", "00001", "00000"), OrderRecord::slip()}), {"cancel"},
                 BatchExit::NothingDone, u(u"取り込みませんでした。")},
        ExitCase{"order_wrong_length", "import-order", "A01\r\n", {}, BatchExit::NothingDone,
                 u(u"取り込みませんでした。")},
        ExitCase{"pb_duplicates_counted", "import-pb", pbFile(), {}, BatchExit::Done,
                 u(u"同じキーの行が後にあったため 1 件を取り込みませんでした。")},
        ExitCase{"pb_bad_key", "import-pb", "x,1,2,A,3,1,P,G,T,20251231,S,M,C,D1,D2,0,x\r\n", {}, BatchExit::Failed,
                 u(u"エラー 13: 型が一致しません。")},
        ExitCase{"destinations", "import-destinations", "004455,0012,A,B\r\n", {}, BatchExit::Done,
                 u(u"納品先マスタ 1 件を読み込みました。")},
        ExitCase{"destinations_cut_short", "import-add", "004455,0012\r\n", {}, BatchExit::Failed,
                 u(u"エラー 62: ")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ImportBatchTest, AFailedImportIsSaidOnce)
{
    struct Row {
        const char *command;
        QByteArray content;   // null: no file at all
        const char16_t *line;
    };
    const Row rows[] = {
        {"import-order", QByteArray(), u"エラー 53: ファイルが見つかりません。"},
        {"import-pb", "x,1,2,A,3,1,P,G,T,20251231,S,M,C,D1,D2,0,x\r\n", u"エラー 13: 型が一致しません。"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.command);
        ScriptedDialogs fresh;
        const QString file = folder.file(QString::fromLatin1(r.command) + ".txt");
        if (!r.content.isNull())
            writeFile(file, r.content);
        outText.clear();
        errText.clear();
        QTextStream out(&outText);
        QTextStream err(&errText);
        BatchContext ctx{{file}, fresh, out, err};
        int exit = -1;
        for (const BatchCommand &c : importBatchCommands())
            if (c.name == QLatin1String(r.command))
                exit = c.run(ctx);
        EXPECT_EQ(exit, BatchExit::Failed);
        // The batch dialogs print every message shown, so a message here
        // would be a second line saying the same.
        EXPECT_TRUE(fresh.shown().isEmpty()) << fresh.texts().join('|').toStdString();
        EXPECT_TRUE(errText.startsWith(u(r.line))) << errText.toStdString();
        EXPECT_EQ(errText.count(u(u"エラー")), 1) << errText.toStdString();
    }
}

TEST_F(ImportBatchTest, MissingFileArgumentIsAUsageError)
{
    for (const char *command : {"import-order", "import-pb", "import-destinations"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(run(command, {}), BatchExit::Usage);
        EXPECT_TRUE(errText.startsWith(u(u"使い方: tobari-edi ") + command)) << errText.toStdString();
    }
}

TEST_F(ImportBatchTest, TrashOptionMovesTheImportedFileToTheTrash)
{
    // The trash of a temporary home, on the same file system as the file.
    qputenv("XDG_DATA_HOME", folder.file("xdg").toUtf8());
    const QString file = folder.file("add.txt");
    writeFile(file, "004455,0012,A,B\r\n");
    EXPECT_EQ(run("import-add", {file, "--trash"}), BatchExit::Done);
    qunsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo::exists(folder.file("xdg/Trash/files/add.txt")));
    EXPECT_TRUE(outText.endsWith(u(u"ファイルをごみ箱に移動しました。\n"))) << outText.toStdString();
}

} // namespace
