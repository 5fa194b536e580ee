// The batch command that runs a custom export definition.

#include "output/OutputBatch.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

class ExportBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000123"}, {"DEN_EXP_CHECK", "-1"}});
        SlipRows::line(*db, 1, 10, 100, "000150", "0001980", {{"ONLINE", "01"}, {"ONBAIJ", "0000029700"}});
        for (int run : {7, 8})
            SlipRows::insert(*db, "TBL_SEZ_B", {{"INDEXNOZH", run}, {"INDEXNOH2", 10}, {"OMDNNO", "000123"},
                                                {"GOUKEI_KINGAKU", run * 1000}});
        out = folder.file("out");
        ASSERT_TRUE(QDir().mkpath(out));
        ASSERT_TRUE(QDir().mkpath(folder.file("SQL")));
        for (const char *name : {"NOUHIN.SQL", "SEIKYU.SQL"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(TOBARI_SAMPLES_DIR "/SQL/") + name, folder.file("SQL/") + name));
        const QList<BatchCommand> commands = outputBatchCommands();
        ASSERT_GE(commands.size(), 1);
        command = commands.first();
    }

    int run(QStringList args)
    {
        for (QString &a : args)
            a.replace(QLatin1String("DIR"), out);
        outText.clear();
        errText.clear();
        QTextStream o(&outText);
        QTextStream e(&errText);
        BatchContext ctx{args, dialogs, o, e};
        return command.run(ctx);
    }
    QByteArray file(const QString &name)
    {
        QFile f(out + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    BatchCommand command;
    QString out;
    QString outText;
    QString errText;
};

TEST_F(ExportBatch, DeliveryExportByName)
{
    EXPECT_EQ(command.name, "export");
    EXPECT_EQ(run({"NOUHIN", "--out", "DIR"}), BatchExit::Done) << errText.toStdString();
    EXPECT_EQ(file("NOUHIN.CSV"),
              QByteArray("\"000123\",\"\",\"\",\"\",\"\",\"\",\"01\",\"\",\"\",\"\",\"\",\"\",15,1980,29700\r\n"));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("データ出力処理が終了しました。")});
    EXPECT_EQ(outText, QStringLiteral("出力ファイル: ") + out + "/NOUHIN.CSV\n");
}

TEST_F(ExportBatch, BillingRunNumberPositionalOrNamed)
{
    struct Case {
        QStringList args;
        QByteArray expected;
    };
    const Case cases[] = {
        {{"SEIKYU", "7", "--out", "DIR"}, "7,\"000123\",\"\",\"\",\"\",\"\",7000,0\r\n"},
        {{"seikyu", "--set", "0=8", "--to=DIR"}, "8,\"000123\",\"\",\"\",\"\",\"\",8000,0\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(run(c.args), BatchExit::Done) << errText.toStdString();
        EXPECT_EQ(file("SEIKYU.CSV"), c.expected);
    }
}

TEST_F(ExportBatch, AnyDefinitionFileWithValues)
{
    const QString def = folder.file("mine.sql");
    QFile f(def);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("null\r\n;\r\nMINE.TXT\r\nSELECT OMDNNO, '/[1]/' FROM TBL_RD_H2 WHERE OMDNNO = '/[0]/'\r\n");
    f.close();
    EXPECT_EQ(run({"--definition", def, "--out", "DIR", "--param", "000123", "x"}), BatchExit::Done)
        << errText.toStdString();
    EXPECT_EQ(file("MINE.TXT"), QByteArray("000123;x\r\n"));
    EXPECT_EQ(run({"--definition", def, "--out", "DIR", "999999"}), BatchExit::NothingDone);
    EXPECT_EQ(dialogs.texts().back(), QStringLiteral("出力する明細が存在しません。"));
}

TEST_F(ExportBatch, UsageErrors)
{
    const QStringList cases[] = {
        {"--out", "DIR"},                        // no definition named
        {"TANA", "--out", "DIR"},                // unknown name
        {"NOUHIN"},                              // no folder
        {"NOUHIN", "--out", "DIR/missing"},      // folder does not exist
        {"NOUHIN", "--out"},                     // option without value
        {"SEIKYU", "--out", "DIR"},              // billing needs its run number
        {"NOUHIN", "--set", "10=x", "--out", "DIR"},
        {"NOUHIN", "--set", "x", "--out", "DIR"},
        {"NOUHIN", "--bogus", "--out", "DIR"},
        {"NOUHIN", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "--out", "DIR"},
    };
    for (const QStringList &args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(run(args), BatchExit::Usage);
        EXPECT_FALSE(errText.isEmpty());
    }
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList());
}

TEST_F(ExportBatch, MissingDefinitionAndFailingQuery)
{
    ASSERT_TRUE(QFile::remove(folder.file("SQL/NOUHIN.SQL")));
    EXPECT_EQ(run({"NOUHIN", "--out", "DIR"}), BatchExit::Failed);
    EXPECT_TRUE(errText.contains(QStringLiteral("エラー 53: 納品カスタム書き出し用の設定ファイルがありません。")))
        << errText.toStdString();

    const QString def = folder.file("bad.sql");
    QFile f(def);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\r\n\r\nBAD.CSV\r\nDELETE FROM TBL_RD_BD\r\n");
    f.close();
    EXPECT_EQ(run({"--definition", def, "--out", "DIR"}), BatchExit::Failed);
    EXPECT_TRUE(errText.contains(QStringLiteral("出力する際にエラーが発生しました。"))) << errText.toStdString();
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM TBL_RD_BD").toInt(), 1);
    EXPECT_FALSE(QFileInfo::exists(out + "/BAD.CSV"));
}

// correct-slip saves as the correction screen does.
class CorrectSlipBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000123"}});
        SlipRows::line(*db, 1, 10, 100, "000150", "0001980", {{"ONLINE", "01"}, {"ONGTNK", "000099000"}});
        SlipRows::line(*db, 1, 10, 101, "000155", "0000500", {{"ONLINE", "02"}, {"ONGTNK", "000020000"}});
        SlipRows::slip(*db, 1, 11, {{"OMDNNO", "000124"}, {"SEIKYU_FLG", "-1"}});
        for (const BatchCommand &c : outputBatchCommands())
            if (c.name == "correct-slip")
                command = c;
    }
    int run(const QStringList &args)
    {
        QTextStream o(&outText);
        QTextStream e(&errText);
        BatchContext ctx{args, dialogs, o, e};
        return command.run(ctx);
    }
    QString field(int bd, const char *col)
    {
        return db->scalar(QString("SELECT %1 FROM TBL_RD_BD WHERE INDEXNOBD=%2").arg(col).arg(bd)).toString();
    }
    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    BatchCommand command;
    QString outText;
    QString errText;
};

TEST_F(CorrectSlipBatch, NamedLinesGetTheirPiecesOthersAsShown)
{
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(run({"--slip", "000123", "--set", "1=12"}), 0) << errText.toStdString();
    EXPECT_EQ(field(100, "ONSURY"), "000120");
    EXPECT_EQ(field(100, "ONBAIJ"), "0000023760");
    EXPECT_EQ(field(101, "ONSURY"), "000155");   // 15.5 shown, saved as it was
    EXPECT_EQ(field(101, "ONSURYM"), "0001550000500Y");
}

TEST_F(CorrectSlipBatch, HalfPiecesAboveTheOrderAfterTheQuestion)
{
    dialogs.answer(MsgResult::Ok).answer(MsgResult::Ok);
    EXPECT_EQ(run({"--slip", "000123", "--set", "2=17.5"}), 0) << errText.toStdString();
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("受注数を超えています。このまま確定しますか？"));
    EXPECT_EQ(field(101, "ONSURY"), "000175");
    EXPECT_EQ(field(101, "ONBAIJ"), "0000008750");
    EXPECT_EQ(field(100, "ONSURY"), "000150");
    EXPECT_TRUE(outText.contains(QStringLiteral("行 02: 納品数 17.5"))) << outText.toStdString();
}

TEST_F(CorrectSlipBatch, NegativeQuantityChangesNothing)
{
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(run({"--slip", "000123", "--set", "1=-3"}), 1);
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("行 01: 納品数にマイナスの値は入力できません。"));
    EXPECT_EQ(field(100, "ONSURY"), "000150");
    EXPECT_EQ(field(100, "ONSURYM"), "0001500001980N");
    EXPECT_EQ(field(101, "ONSURYM"), "0001550000500N");
}

TEST_F(CorrectSlipBatch, RefusalsChangeNothing)
{
    EXPECT_EQ(run({"--slip", "000124", "--set", "1=1"}), 1);   // billed
    EXPECT_EQ(run({"--slip", "000123", "--set", "9=1"}), 2);   // no such line
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(run({"--slip", "000123", "--set", "1=abc"}), 3);   // not a number
    EXPECT_TRUE(errText.contains("13")) << errText.toStdString();
    dialogs.answer(MsgResult::Cancel);
    EXPECT_EQ(run({"--slip", "000123", "--set", "1=3"}), 1);    // declined
    EXPECT_EQ(field(100, "ONSURYM"), "0001500001980N");
    EXPECT_EQ(field(101, "ONSURYM"), "0001550000500N");
}

} // namespace
