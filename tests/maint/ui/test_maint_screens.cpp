#include "maint/ui/frm0100_List.h"
#include "maint/ui/frm0130_DataDel.h"
#include "maint/ui/frm0131_Backup.h"
#include "maint/ui/frm9900_DBCompact.h"

#include "../MaintFixture.h"
#include "store/Settings.h"
#include "ui/FunctionKeyBar.h"
#include "ui/GridView.h"
#include "maint/Backups.h"
#include "store/AppState.h"
#include "support/TempDataFolder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

using namespace MaintFixture;

namespace {

class MaintScreens : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2027, 3, 31), QTime(9, 0)));
        Settings::write(SettingKey::HaDataSave, "1");
        Settings::write(SettingKey::SeDataSave, "1");
        Settings::write(SettingKey::PbDataSave, "1");
        AppState::CompactionRequest = 0;
    }
    void TearDown() override { AppState::CompactionRequest = 0; }
    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
};

TEST_F(MaintScreens, RetentionScreenLoadsWithTheSettingsAndKeepsGridsOnAWrongBox)
{
    addBatch(*db, 1, "270101", {Slip{}});
    frm0130_DataDel screen(dialogs);
    screen.show();
    EXPECT_EQ(screen.windowTitle(), QString::fromUtf8("保存データ削除処理 処理基準日付 <2027/03/31>"));
    EXPECT_EQ(screen.txtHaHK->text(), "1");
    ASSERT_EQ(screen.tdbListHa->gridModel()->rowCount(), 1);
    EXPECT_EQ(screen.xlabFnc->caption(4), QString::fromUtf8("実行"));

    screen.txtHaHK->setText("25");
    screen.functionKey(0);
    EXPECT_EQ(dialogs.texts().last(), QString::fromUtf8("保存期間に入力された値が範囲を超えています。"));
    EXPECT_EQ(screen.tdbListHa->gridModel()->rowCount(), 1);
}

TEST_F(MaintScreens, RetentionScreenDeletesTheTickedRowsAndRequestsCompaction)
{
    addBatch(*db, 1, "270101", {Slip{}});
    addBatch(*db, 2, "270101", {Slip{}});
    frm0130_DataDel screen(dialogs);
    screen.show();
    GridModel *m = screen.tdbListHa->gridModel();
    ASSERT_EQ(m->rowCount(), 2);
    // The operator unticks batch 2.
    m->setData(m->index(1, m->columnOf("CK")), Qt::Unchecked, Qt::CheckStateRole);
    dialogs.answer(MsgResult::Ok);
    screen.functionKey(4);
    EXPECT_EQ(count(*db, "TBL_RD_H1"), 1);
    EXPECT_EQ(count(*db, "TBL_RD_H1", "INDEXNOH1=2"), 1);
    EXPECT_EQ(AppState::CompactionRequest, 1);
    EXPECT_EQ(m->rowCount(), 1);   // searched again
    // The batch the operator kept stays unticked after the search that follows the run.
    EXPECT_EQ(m->text(0, m->columnOf("管理No")), "2");
    EXPECT_EQ(m->text(0, m->columnOf("CK")), "0");
    EXPECT_EQ(dialogs.texts().last(),
              QString::fromUtf8("削除処理が完了しました。\n発注データ 1 件、請求データ 0 件、PBマスタデータ 0 件を削除しました。"));
}

TEST_F(MaintScreens, RetentionScreenKeepsUnticksOnlyThroughASearchOfTheSamePeriods)
{
    addBatch(*db, 1, "270101", {Slip{}});
    addBillingRun(*db, 7, "270101");
    frm0130_DataDel screen(dialogs);
    screen.show();
    GridModel *runs = screen.tdbListSe->gridModel();
    ASSERT_EQ(runs->rowCount(), 1);
    runs->setData(runs->index(0, runs->columnOf("CK")), Qt::Unchecked, Qt::CheckStateRole);
    screen.functionKey(0);   // F1 again, same boxes
    EXPECT_EQ(runs->text(0, runs->columnOf("CK")), "0");
    // Other periods are another search: its rows start as the search ticks them.
    screen.txtSeHK->setText("2");
    screen.functionKey(0);
    ASSERT_EQ(runs->rowCount(), 1);
    EXPECT_EQ(runs->text(0, runs->columnOf("CK")), "-1");
}

TEST_F(MaintScreens, RetentionScreenWithNothingListedDeletesNothingAndAsksNothing)
{
    frm0130_DataDel screen(dialogs);
    screen.show();
    screen.functionKey(4);
    EXPECT_EQ(dialogs.texts(),
              QStringList{QString::fromUtf8("削除するデータはありません（保存期間を過ぎた発注データ・請求データ・PBマスタデータがありません）。")});
    EXPECT_EQ(AppState::CompactionRequest, 0);
    EXPECT_TRUE(Backups::list().isEmpty());
}

TEST_F(MaintScreens, CancelledRetentionStillRequestsCompaction)
{
    addBatch(*db, 1, "270101", {Slip{}});
    frm0130_DataDel screen(dialogs);
    screen.show();
    dialogs.answer(MsgResult::Cancel);
    screen.functionKey(4);
    EXPECT_EQ(count(*db, "TBL_RD_H1"), 1);
    EXPECT_EQ(AppState::CompactionRequest, 1);
}

TEST_F(MaintScreens, ImportListOpensOnTheFirstListAndSaysWhichItShows)
{
    // Batch 1: slips printed, assortment lists not; batch 2: neither.
    addBatch(*db, 1, "250201", {Slip{}}, QString(), QString("250202"));
    addBatch(*db, 2, "250203", {Slip{}});
    frm0100_List screen(dialogs);
    screen.show();
    GridModel *m = screen.tdbList->gridModel();
    ASSERT_EQ(m->rowCount(), 2);   // the assortment-list list, without a menu choice
    EXPECT_EQ(screen.lblList->text(), QString::fromUtf8("品揃え出力: 品揃えリストを出力していない取込データ ― 2 件"));
    EXPECT_EQ(m->data(m->index(0, 1)).toString(), QString::fromUtf8("25年01月31日"));
    EXPECT_TRUE(dialogs.texts().isEmpty());

    screen.viewItem(2)->trigger();
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_EQ(m->text(0, m->columnOf("管理No")), "2");
    EXPECT_EQ(screen.lblList->text(), QString::fromUtf8("伝票発行: 伝票を発行していない取込データ ― 1 件"));
}

TEST_F(MaintScreens, ImportListEmptiesTheGridWhenTheChosenListIsEmpty)
{
    addBatch(*db, 1, "250201", {Slip{}}, QString(), QString("250202"));
    frm0100_List screen(dialogs);
    screen.show();
    ASSERT_EQ(screen.tdbList->gridModel()->rowCount(), 1);
    screen.viewItem(2)->trigger();   // every slip printed
    EXPECT_EQ(dialogs.shown().last().title, QString::fromUtf8("出力明細無し"));
    EXPECT_EQ(dialogs.shown().last().text, QString::fromUtf8("出力する明細は存在しません。"));
    // Not the rows of the list shown before, under a name that says it.
    EXPECT_EQ(screen.tdbList->gridModel()->rowCount(), 0);
    EXPECT_EQ(screen.tdbList->gridModel()->columnOf("管理No"), 0);
    EXPECT_EQ(screen.lblList->text(),
              QString::fromUtf8("伝票発行: 伝票を発行していない取込データ ― 該当するデータはありません"));
}

TEST_F(MaintScreens, BackupScreenMakesAndRestores)
{
    frm0131_Backup screen(dialogs, frm0131_Backup::Restore);
    screen.functionKey(0);
    ASSERT_EQ(screen.tdbList->gridModel()->rowCount(), 1);
    addBatch(*db, 1, "270101", {Slip{}});
    dialogs.answer(MsgResult::Ok);
    screen.tdbList->setCurrentRow(0);
    screen.functionKey(4);
    db = AppConnection();   // opened anew on the restored files
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(count(*db, "TBL_RD_H1"), 0);
    EXPECT_EQ(screen.tdbList->gridModel()->rowCount(), 2);   // the state before the restore
}

TEST_F(MaintScreens, CompactionScreenBacksUpAndCompacts)
{
    frm9900_DBCompact screen(dialogs);
    EXPECT_EQ(screen.run(), 0);
    EXPECT_EQ(AppConnection(), nullptr);
    EXPECT_EQ(Backups::list().size(), 1);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
