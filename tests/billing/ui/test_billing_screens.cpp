// The closing-date entry and the billing desk on the offscreen platform.

#include "ui/FunctionKeyBar.h"
#include "ui/GridView.h"
#include "billing/ClosingPeriod.h"
#include "billing/ui/frm0120_SeikyuList.h"
#include "billing/ui/frm0121_Simebi_In.h"
#include "billing/ui/BillingFileViewer.h"
#include "../BillingFixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class BillingScreens : public BillingFixture {
protected:
    void SetUp() override
    {
        BillingFixture::SetUp();
        Clock::setFixed(QDateTime(QDate(2024, 6, 3), QTime(9, 30, 5)));
        slip(10, "000123", "240601", "0000015000");
        slip(11, "000124", "240625", "0000002500");
    }

    QStringList labels(frm0120_SeikyuList &s)
    {
        QStringList out;
        for (int i = 0; i < 12; ++i)
            out << s.xlabFnc->caption(i);
        return out;
    }
    static void tick(GridView *grid, int row, bool on)
    {
        GridModel &m = *grid->gridModel();
        ASSERT_TRUE(m.setData(m.index(row, m.columnOf("CK")), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole));
    }
};

TEST_F(BillingScreens, ClosingEntryProposesChecksAndCalculates)
{
    SetJoukenValue(*db, "ZENKAI_SEIKYU_BI", "2024/05/20");
    frm0121_Simebi_In screen(dialogs, settings);
    EXPECT_EQ(screen.windowTitle(), "締日入力");
    EXPECT_EQ(screen.txtShime_BI_J->text(), "2024/05/21");
    EXPECT_EQ(screen.txtShime_BI_I->text(), "2024/06/20");

    screen.show();
    screen.txtShime_BI_I->setText("2024/05/01");
    EXPECT_FALSE(screen.confirm());
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(dialogs.texts(), QStringList{"自 ～ 至 迄の期間の設定が不正です。"});
    EXPECT_EQ(screen.txtShime_BI_I->selectedText(), "2024/05/01");

    screen.txtShime_BI_I->setText("2024/06/20");
    dialogs.answer(MsgResult::Ok);
    EXPECT_TRUE(screen.confirm());
    EXPECT_EQ(screen.result(), QDialog::Accepted);
    EXPECT_EQ(joined("Select INDEXNOH2||':'||HA_FLG From TBL_SEM_B Order By INDEXNOH2"), "10:-1,11:0");
    EXPECT_EQ(GetJoukenValue(*db, "SHIME_BI_I"), "2024/06/20");
    // The closing entry says what it gathered and ticked before it closes.
    EXPECT_EQ(dialogs.texts().last(), "締日計算が終了しました。\n期間 2024/05/21 ～ 2024/06/20\n"
                                      "未請求伝票 2 件、うち期間内 1 件（発行済みで納品日が期間内の伝票を請求対象にチェックしました）");
}

TEST_F(BillingScreens, DeskWithoutPeriodSaysSoAndRefusesToBill)
{
    frm0120_SeikyuList screen(dialogs, settings);
    screen.show();
    EXPECT_EQ(screen.windowTitle(), "請求選択処理   締日計算未処理");
    EXPECT_TRUE(screen.labSimeMi->isVisible());
    screen.functionKey(0);
    EXPECT_EQ(dialogs.texts(), QStringList{"現在請求中ではありません。\r\n締日計算を行った後に処理をして下さい。"});
    EXPECT_TRUE(screen.isVisible());
}

TEST_F(BillingScreens, DeskTicksAreWrittenThroughAndBillingClosesIt)
{
    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(runClosing(*db, dialogs, "2024/05/21", "2024/06/20").status, 0);
    runHeader(3, "240421", "240520");
    recorded(3, 30, "000077", 500, false);
    db->execute("Update MST_IDX Set IVal=4 Where IKey='ZH'");

    frm0120_SeikyuList screen(dialogs, settings);
    screen.show();
    EXPECT_EQ(screen.windowTitle(), "請求選択処理   期間 自(2024/05/21)～ 至(2024/06/20)");
    EXPECT_FALSE(screen.labSimeMi->isVisible());
    ASSERT_EQ(screen.tdbList1->gridModel()->rowCount(), 1);
    ASSERT_EQ(screen.tdbList4->gridModel()->rowCount(), 1);
    ASSERT_EQ(screen.tdbList2->gridModel()->rowCount(), 1);

    tick(screen.tdbList1, 0, false);
    tick(screen.tdbList4, 0, true);
    EXPECT_EQ(joined("Select INDEXNOH2||':'||HA_FLG From TBL_SEM_B Order By INDEXNOH2"), "10:0,11:-1");

    screen.showRun(0);
    ASSERT_EQ(screen.tdbList3->gridModel()->rowCount(), 1);
    tick(screen.tdbList3, 0, true);
    EXPECT_EQ(value("Select HA_FLG From TBL_SEZ_B Where INDEXNOZH=3"), "-1");

    screen.SetFunctionKeys(frm0120_SeikyuList::HistoryMode);
    EXPECT_EQ(labels(screen), (QStringList{"再出力", "ｶｽﾀﾑ出力", "ﾃﾞｰﾀ確認", "金額確認", "取消", "削除", "", "", "戻る", "", "", ""}));
    screen.SetFunctionKeys(frm0120_SeikyuList::SlipMode);
    EXPECT_EQ(labels(screen), (QStringList{"出力", "", "", "金額確認", "", "", "", "", "戻る", "", "", ""}));

    screen.functionKey(3);
    EXPECT_EQ(dialogs.texts().last(), "今回請求分\r\n   伝票枚数: 1\r\n   合計金額: 2,500\r\n"
                                      "繰越請求分\r\n   伝票枚数: 1\r\n   合計金額: 500\r\n");
    EXPECT_TRUE(screen.isVisible());

    dialogs.answer(MsgResult::Ok).answerFile(out + "/bill.txt");
    screen.functionKey(0);
    EXPECT_FALSE(screen.isVisible());
    // The screen sees the run, its file, its slips and its amount.
    EXPECT_EQ(dialogs.texts().last(), "請求処理が終了しました。\n請求管理No: 4\n請求データファイル: " + out
                                          + "/bill.txt\n伝票 2 枚、合計金額 3,000 円");
    EXPECT_EQ(joined("Select INDEXNOH2 From TBL_SEZ_B Where INDEXNOZH=4 Order By INDEXNOH2"),
              "11,30");
}

TEST_F(BillingScreens, ReoutputNeedsARunAndWritesItsFile)
{
    frm0120_SeikyuList screen(dialogs, settings);
    screen.show();
    screen.SetFunctionKeys(frm0120_SeikyuList::HistoryMode);
    screen.functionKey(0);
    EXPECT_EQ(dialogs.texts(), QStringList{"再出力を行う明細を選択してください。"});

    runHeader(3, "240421", "240520");
    recorded(3, 30, "000077", 500, false);
    frm0120_SeikyuList again(dialogs, settings);
    again.show();
    again.SetFunctionKeys(frm0120_SeikyuList::HistoryMode);
    dialogs.answerFile(out + "/re.txt");
    again.functionKey(0);
    EXPECT_EQ(dialogs.texts().last(), "再出力処理が終了しました。");
    EXPECT_EQ(read(out + "/re.txt").left(47), "H000012345600001064" "07TOBARI  240603240421240520");
}

// The run's custom export tells a failure; a chooser cancelled says nothing.
TEST_F(BillingScreens, CustomExportOfARunTellsAFailure)
{
    runHeader(3, "240421", "240520");
    recorded(3, 30, "000077", 500, false);
    QDir().mkpath(folder.file("SQL"));
    QFile def(folder.file("SQL/SEIKYU.SQL"));
    ASSERT_TRUE(def.open(QIODevice::WriteOnly));
    def.write("\"\r\n,\r\nRUN.CSV\r\nSelect Nonexistent From TBL_SEZ_H Where INDEXNOZH=/[0]/\r\n");
    def.close();
    frm0120_SeikyuList screen(dialogs, settings);
    screen.show();
    screen.SetFunctionKeys(frm0120_SeikyuList::HistoryMode);
    auto messages = [&] {
        QStringList out;
        for (const auto &m : dialogs.shown())
            if (m.kind == QLatin1String("message"))
                out << m.text;
        return out;
    };
    dialogs.answerFolder(QString());
    screen.functionKey(1);
    EXPECT_EQ(messages(), QStringList());
    dialogs.answerFolder(out);
    screen.functionKey(1);
    ASSERT_EQ(messages().size(), 1);
    const QString said = messages()[0];
    EXPECT_TRUE(said.startsWith(QStringLiteral("出力する際にエラーが発生しました。\r\nエラーNo="))) << said.toStdString();
    // The engine's own words name the column; a server folds it to lower case.
    EXPECT_TRUE(said.contains(QStringLiteral("Nonexistent"), Qt::CaseInsensitive)) << said.toStdString();
    EXPECT_FALSE(QFile::exists(out + "/RUN.CSV"));
}

// F3 in the history shows what a billing file holds; a trailer that
// disagrees with its slips is said plainly, and the file stays as it was.
TEST_F(BillingScreens, HistoryShowsABillingFileAndItsMismatch)
{
    frm0120_SeikyuList screen(dialogs, settings);
    screen.show();
    screen.SetFunctionKeys(frm0120_SeikyuList::HistoryMode);
    EXPECT_EQ(labels(screen).value(2), "ﾃﾞｰﾀ確認");
    const QByteArray bytes =
        QByteArray("H0000123456000010640" "7TOBARI  240603240521240620                 \r\n"
                   "B000012345600002240601090010100000000123000001500000000012      \r\n"
                   "B000012345600003240625090010100000000124000000250000000012      \r\n"
                   "T000012345600004000040000200000017000                           \r\n");
    QFile f(out + "/seikyu.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();

    dialogs.answerFile(QString());   // chooser cancelled: nothing opens
    screen.functionKey(2);
    EXPECT_EQ(screen.findChild<BillingFileViewer *>(), nullptr);

    dialogs.answerFile(out + "/seikyu.txt");
    screen.functionKey(2);
    auto *viewer = screen.findChild<BillingFileViewer *>();
    ASSERT_NE(viewer, nullptr) << dialogs.texts().join(" | ").toStdString();
    EXPECT_TRUE(viewer->isVisible());
    const GridModel &m = *viewer->tdbList->gridModel();
    ASSERT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.rowTexts(0), (QStringList{"123456", "00000000123", "240601", "15,000"}));
    EXPECT_EQ(m.text(1, "金額"), "2,500");
    EXPECT_TRUE(viewer->labSummary->text().contains("取引先 123456: 伝票 2 件 17,500 円（トレーラーと不一致）"))
        << viewer->labSummary->text().toStdString();
    EXPECT_TRUE(viewer->labProblems->text().startsWith("内容が一致しません。"));
    EXPECT_TRUE(viewer->labProblems->text().contains("合計金額が 17,000 円とありますが、伝票の合計は 17,500 円です。"));
    EXPECT_EQ(read(out + "/seikyu.txt"), bytes);
    viewer->close();
}

// Where the desk opens: the first of 今月請求対象, 次回請求分 and 請求履歴 that
// has rows, with the keys of that grid; nothing is said when all are empty.
struct FirstFocusCase {
    const char *name;
    const char *from;       // closing period calculated before the desk opens; none when empty
    const char *to;
    bool history;           // a billing run in 請求履歴
    const char *expectGrid;
    const char *expectF1;
};

class DeskFirstFocus : public BillingScreens, public ::testing::WithParamInterface<FirstFocusCase> {};

TEST_P(DeskFirstFocus, OpensOnTheFirstGridWithRows)
{
    const FirstFocusCase &c = GetParam();
    if (*c.from) {
        dialogs.answer(MsgResult::Ok);
        ASSERT_EQ(runClosing(*db, dialogs, c.from, c.to).status, 0);
    }
    if (c.history) {
        runHeader(3, "240421", "240520");
        recorded(3, 30, "000077", 500, false);
    }
    const qsizetype before = dialogs.shown().size();
    frm0120_SeikyuList screen(dialogs, settings);
    screen.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    ASSERT_NE(screen.focusWidget(), nullptr);
    EXPECT_EQ(screen.focusWidget()->objectName(), c.expectGrid);
    EXPECT_EQ(screen.xlabFnc->caption(0), c.expectF1);
    EXPECT_EQ(dialogs.shown().size(), before) << dialogs.texts().join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeskFirstFocus,
    ::testing::Values(
        FirstFocusCase{"this_month_has_slips", "2024/05/21", "2024/06/20", true, "tdbList1", "出力"},
        // Nothing delivered within the period: the slips for later are worked in.
        FirstFocusCase{"this_month_empty", "2024/06/02", "2024/06/20", true, "tdbList4", "出力"},
        FirstFocusCase{"only_the_history", "", "", true, "tdbList2", "再出力"},
        FirstFocusCase{"all_empty", "", "", false, "tdbList1", "出力"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(BillingScreens, EnterOnARunsButtonShowsItsSlips)
{
    runHeader(3, "240421", "240520");
    recorded(3, 30, "000077", 500, false);
    frm0120_SeikyuList screen(dialogs, settings);
    screen.show();
    GridView *history = screen.tdbList2;
    history->setFocus();
    history->setCurrentCell(0, history->columnOf("請求管理No"));
    ASSERT_EQ(screen.tdbList3->gridModel()->rowCount(), 0);
    QTest::keyClick(history, Qt::Key_Return);
    EXPECT_EQ(screen.tdbList3->gridModel()->rowCount(), 1);
    EXPECT_EQ(screen.focusWidget(), screen.tdbList3);
    EXPECT_TRUE(screen.isVisible());
}

} // namespace
