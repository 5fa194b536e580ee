// The import window around the operations: its controls, its close box,
// and that it is gone when a DRead_ operation returns.

#include "import/ImportTestSupport.h"
#include "import/OrderFixture.h"
#include "import/OrderImport.h"
#include "import/ui/frm9001_splImport.h"
#include "support/TempDataFolder.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <climits>

#include <gtest/gtest.h>

namespace {

QString u(const char16_t *s)
{
    return QString::fromUtf16(s);
}

class ImportWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "import_window_tests";
        static char *argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        db = &folder.prepare();
        path = folder.file("order.txt");
        writeFile(path, orderFile({fileHeader("250301", "093000", "00001", "00001"), OrderRecord::slip(),
                                   OrderRecord::line()}));
    }

    QProgressBar *bar(frm9001_splImport &w, const char *name) { return w.findChild<QProgressBar *>(name); }

    // Closes the window as soon as it lets events run.
    static void closeSoon(frm9001_splImport &w)
    {
        QTimer::singleShot(0, &w, [&w] { w.close(); });
    }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    QString path;
};

TEST_F(ImportWindowTest, HasItsCaptionAndControls)
{
    frm9001_splImport w(dialogs);
    EXPECT_EQ(w.windowTitle(), u(u"データ読込み中・・・・・"));
    ASSERT_NE(bar(w, "pgb1"), nullptr);
    ASSERT_NE(w.findChild<QLabel *>("Label1"), nullptr);
    QProgressBar *busy = bar(w, "Animation1");
    ASSERT_NE(busy, nullptr);
    EXPECT_EQ(busy->minimum(), 0);   // 0..0: runs on its own
    EXPECT_EQ(busy->maximum(), 0);
}

TEST_F(ImportWindowTest, OrderImportShowsProgressAndUnloadsTheWindow)
{
    frm9001_splImport w(dialogs);
    bool shownDuringImport = false;
    QTimer::singleShot(0, &w, [&] { shownDuringImport = w.isVisible(); });
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(w.DRead_Order(path), 0);
    EXPECT_TRUE(shownDuringImport);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.findChild<QLabel *>("Label1")->text(), OrderImport::label());
    EXPECT_EQ(bar(w, "pgb1")->value(), bar(w, "pgb1")->maximum());
    EXPECT_EQ(dump(*db, "Select count(*) From TBL_RD_BD"), "1");
}

TEST_F(ImportWindowTest, ClosingAsksAndOkStopsTheImport)
{
    frm9001_splImport w(dialogs);
    closeSoon(w);
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(w.DRead_Order(path), 1);
    ASSERT_EQ(dialogs.shown().size(), 1);
    const auto &q = dialogs.shown()[0];
    EXPECT_EQ(q.text, u(u"処理を中止しても宜しいでしょうか？"));
    EXPECT_EQ(q.title, u(u"終了確認"));
    EXPECT_EQ(q.icon, MsgIcon::Question);
    EXPECT_EQ(q.buttons, MsgButtons::OkCancel);
    EXPECT_EQ(q.defaultButton, MsgResult::Cancel);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dump(*db, "Select count(*) From TBL_RD_H1"), "0");
}

TEST_F(ImportWindowTest, ClosingAnsweredCancelLetsTheImportGoOn)
{
    frm9001_splImport w(dialogs);
    closeSoon(w);
    dialogs.answer(MsgResult::Cancel).answer(MsgResult::Ok);   // the stop question, then the confirmation
    EXPECT_EQ(w.DRead_Order(path), 0);
    EXPECT_EQ(dump(*db, "Select count(*) From TBL_RD_H1"), "1");
}

TEST_F(ImportWindowTest, EscapeAsksLikeTheCloseBox)
{
    frm9001_splImport w(dialogs);
    QTimer::singleShot(0, &w, [&w] { w.reject(); });
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(w.DRead_Order(path), 1);
    EXPECT_EQ(dialogs.texts(), QStringList{u(u"処理を中止しても宜しいでしょうか？")});
}

TEST_F(ImportWindowTest, StopButtonAsksLikeTheCloseBox)
{
    frm9001_splImport w(dialogs);
    QPushButton *stop = w.findChild<QPushButton *>("cmdStop");
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->text(), u(u"中止"));
    QTimer::singleShot(0, &w, [stop] { stop->click(); });
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(w.DRead_Order(path), 1);
    EXPECT_EQ(dialogs.texts(), QStringList{u(u"処理を中止しても宜しいでしょうか？")});
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dump(*db, "Select count(*) From TBL_RD_H1"), "0");
}

// Records before the first file header go to batch 0, which no list shows:
// the confirmation warns so the operator can stop, and after the import the
// window says what went where, as the batch mode prints it.
class ImportSummaryTest : public ImportWindowTest {
protected:
    void SetUp() override
    {
        ImportWindowTest::SetUp();
        writeFile(path, orderFile({OrderRecord::slip(), OrderRecord::line(), OrderRecord::line(),
                                   fileHeader("250301", "093000", "00002", "00003"), OrderRecord::slip(),
                                   OrderRecord::line(), OrderRecord::slip(), OrderRecord::line(),
                                   OrderRecord::line(), OrderRecord::other('Z'),
                                   fileHeader("250302", "101500", "00001", "00001"), OrderRecord::slip(),
                                   OrderRecord::line()}));
    }
    const QString warning = u(u"※ 最初のファイルヘッダより前に伝票 1 枚、明細 2 行があります。"
                              u"これらは管理No 0 に入り、一覧には表示されません。");
};

TEST_F(ImportSummaryTest, WarningBeforeTheHeaderLetsTheOperatorStop)
{
    frm9001_splImport w(dialogs);
    dialogs.answer(MsgResult::Cancel);
    EXPECT_EQ(w.DRead_Order(path), 1);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_TRUE(dialogs.shown()[0].text.contains(warning)) << dialogs.shown()[0].text.toStdString();
    EXPECT_EQ(dump(*db, "Select count(*) From TBL_RD_H2"), "0");
}

TEST_F(ImportSummaryTest, SaysWhatItImported)
{
    frm9001_splImport w(dialogs);
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(w.DRead_Order(path), 0);
    ASSERT_EQ(dialogs.shown().size(), 2);
    EXPECT_TRUE(dialogs.shown()[0].text.contains(warning));
    const auto &summary = dialogs.shown()[1];
    EXPECT_EQ(summary.text, u(u"取り込んだ内容:\n"
                              u"管理No 1: データ処理日付 250301 093000、伝票 2 枚、明細 3 行\n"
                              u"管理No 2: データ処理日付 250302 101500、伝票 1 枚、明細 1 行\n"
                              u"ファイルヘッダより前の伝票 1 枚、明細 2 行は管理No 0 に入りました。\n"
                              u"どの種類でもない 1 行を読み飛ばしました。"));
    EXPECT_EQ(summary.icon, MsgIcon::Information);
    EXPECT_EQ(summary.title, u(u"取込結果"));
}

TEST_F(ImportWindowTest, MasterImportsReturnTheirResultsAndUnloadTheWindow)
{
    frm9001_splImport w(dialogs);
    const QString pb = folder.file("pb.csv");
    writeFile(pb, "0,1,2,A,3,1,P,G,T,20251231,S,M,C,D1,D2,0,x\r\n");
    EXPECT_EQ(w.DRead_PBMST(pb), 0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.findChild<QLabel *>("Label1")->text(), u(u"PBタグマスタをインポートしています。"));

    EXPECT_THROW(w.DRead_ADDMST(folder.file("missing.txt")), DbError);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(ImportWindowTest, RangeBeyondIntIsScaled)
{
    frm9001_splImport w(dialogs);
    w.setRange(1, 5'000'000'001LL);
    w.setValue(2'500'000'001LL);
    QProgressBar *p = bar(w, "pgb1");
    EXPECT_LE(p->maximum(), INT_MAX);
    EXPECT_EQ(p->value(), p->maximum() / 2);
    w.setValue(5'000'000'001LL);
    EXPECT_EQ(p->value(), p->maximum());
}

} // namespace
