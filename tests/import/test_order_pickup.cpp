// Picking up the order files of the read folder (import-new): each new
// file imported once and put away, files imported before passed over, a
// bad file reported and left where it is.

#include "ImportTestSupport.h"
#include "OrderFixture.h"
#include "import/ImportBatch.h"
#include "import/OrderPickUp.h"
#include "store/Clock.h"
#include "store/Settings.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

QString u(const char16_t *s)
{
    return QString::fromUtf16(s);
}

QByteArray batchFile(const QString &date, int lines)
{
    QList<OrderRecord> r{fileHeader(date, "093000", "00001", QString::number(lines).rightJustified(5, '0')),
                         OrderRecord::slip()};
    for (int l = 0; l < lines; ++l)
        r << OrderRecord::line();
    return orderFile(r);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class PickUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2025, 3, 4), QTime(13, 5, 9)));
        inbox = folder.file(u(u"受信"));
        ASSERT_TRUE(QDir().mkpath(inbox));
        ASSERT_TRUE(Settings::write(SettingKey::ReadPath, inbox));
    }

    QString inInbox(const QString &name) const { return QDir(inbox).filePath(name); }

    int run(const QString &command, const QStringList &args)
    {
        outText.clear();
        errText.clear();
        QTextStream out(&outText);
        QTextStream err(&errText);
        BatchContext ctx{args, dialogs, out, err};
        for (const BatchCommand &c : importBatchCommands())
            if (c.name == command)
                return c.run(ctx);
        ADD_FAILURE() << "no command " << command.toStdString();
        return -1;
    }

    qint64 batches() { return db->scalar("Select count(*) From TBL_RD_H1").toLongLong(); }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    QString inbox;
    QString outText;
    QString errText;
};

TEST_F(PickUpTest, NewFilesImportedOnceInNameOrderOthersPassedOverOrLeft)
{
    const QByteArray a = batchFile("250301", 2);
    const QByteArray b = batchFile("250302", 1);
    const QByteArray d = batchFile("250304", 3);
    // The last line one byte short: refused by the length check.
    const QByteArray bad = batchFile("250303", 1).chopped(3) + "\r\n";
    writeFile(inInbox("b.txt"), b);
    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(run("import-order", {inInbox("b.txt")}), BatchExit::Done);   // batch 1, still in the folder
    writeFile(inInbox("d.txt"), d);
    writeFile(inInbox("a.txt"), a);
    writeFile(inInbox("c.txt"), bad);
    // An earlier file of the same name is never overwritten.
    ASSERT_TRUE(QDir().mkpath(inInbox(u(u"取込済"))));
    writeFile(inInbox(u(u"取込済/a.txt")), "earlier");

    NewOrderFiles watch;
    EXPECT_EQ(watch.find(*db, inbox), QStringList({inInbox("a.txt"), inInbox("c.txt"), inInbox("d.txt")}));

    dialogs.answer(MsgResult::Ok).answer(MsgResult::Ok);   // the confirmations of a.txt and d.txt
    EXPECT_EQ(run("import-new", {}), BatchExit::NothingDone);   // c.txt was not imported
    EXPECT_EQ(outText, u(u"取り込みました: a.txt 管理No 2（伝票 1 枚、明細 2 行） → 取込済/a (2).txt\n"
                         u"取込済みのため飛ばしました: b.txt\n"
                         u"取り込みませんでした: c.txt\n"
                         u"取り込みました: d.txt 管理No 3（伝票 1 枚、明細 3 行） → 取込済/d.txt\n"));
    EXPECT_EQ(errText, "");
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(dialogs.texts().join('\n').contains(u(u"ファイルの長さに誤りがあります。")));

    EXPECT_EQ(readAll(inInbox(u(u"取込済/a (2).txt"))), a);
    EXPECT_EQ(readAll(inInbox(u(u"取込済/a.txt"))), "earlier");
    EXPECT_EQ(readAll(inInbox(u(u"取込済/d.txt"))), d);
    EXPECT_EQ(readAll(inInbox("b.txt")), b);
    EXPECT_EQ(readAll(inInbox("c.txt")), bad);
    EXPECT_FALSE(QFileInfo::exists(inInbox("a.txt")));
    EXPECT_FALSE(QFileInfo::exists(inInbox("d.txt")));
    EXPECT_EQ(dump(*db, "Select INDEXNOH1,OLOPDT From TBL_RD_H1 Order By INDEXNOH1"),
              "1|250302\n2|250301\n3|250304");
    EXPECT_EQ(watch.find(*db, inbox), QStringList({inInbox("c.txt")}));

    // Again: nothing is imported twice, the bad file is reported again.
    EXPECT_EQ(run("import-new", {}), BatchExit::NothingDone);
    EXPECT_EQ(outText, u(u"取込済みのため飛ばしました: b.txt\n取り込みませんでした: c.txt\n"));
    EXPECT_EQ(batches(), 3);
}

TEST_F(PickUpTest, SameBytesUnderTwoNamesAreImportedOnce)
{
    const QByteArray a = batchFile("250301", 2);
    writeFile(inInbox("1.txt"), a);
    writeFile(inInbox("2.txt"), a);
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(run("import-new", {}), BatchExit::Done);
    EXPECT_EQ(outText, u(u"取り込みました: 1.txt 管理No 1（伝票 1 枚、明細 2 行） → 取込済/1.txt\n"
                         u"取込済みのため飛ばしました: 2.txt\n"));
    EXPECT_EQ(batches(), 1);
}

TEST_F(PickUpTest, EmptyFolderAndMissingFolder)
{
    EXPECT_EQ(run("import-new", {}), BatchExit::NothingDone);
    EXPECT_EQ(outText, u(u"新しい受信データはありません。\n"));

    ASSERT_TRUE(Settings::write(SettingKey::ReadPath, folder.file("nowhere")));
    EXPECT_EQ(run("import-new", {}), BatchExit::Failed);
    EXPECT_TRUE(errText.startsWith(u(u"エラー: 読込みフォルダ（Read_Path）がありません。"))) << errText.toStdString();
}

TEST_F(PickUpTest, FailedImportNamesTheErrorAndLeavesTheFile)
{
    writeFile(inInbox("a.txt"), batchFile("250301", 2));
    // The slip-line series has no row: the import fails after staging.
    db->execute("Update MST_IDX Set IKey='bd' Where IKey='BD'");
    EXPECT_EQ(run("import-new", {}), BatchExit::Failed);
    EXPECT_TRUE(errText.startsWith(u(u"エラー 3021: a.txt: "))) << errText.toStdString();
    EXPECT_TRUE(QFileInfo::exists(inInbox("a.txt")));
    EXPECT_EQ(batches(), 0);
}

} // namespace
