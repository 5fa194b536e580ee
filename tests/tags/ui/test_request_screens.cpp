// The request confirmation and request tag data screens on the offscreen
// platform.

#include "ui/GridView.h"
#include "support/TempDataFolder.h"
#include "tags/LabelProgramStandIn.h"
#include "tags/TagFixture.h"
#include "tags/ui/frm0201_IraiKakunin.h"
#include "tags/ui/frm0210_InjiList.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QVariant kNull;

// Batch 1: partner 654321 with two slips of place 01, destination 0001,
// kind 1/2, no request number yet.
class RequestScreens : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        TagFixture::masters(*db);
        SlipRows::insert(*db, "TBL_RD_H1", {{"INDEXNOH1", 1}, {"OLOPDT", "261201"}, {"OLLINE", "00002"}});
        TagFixture::line(*db, {1, 10, "1", "2", "000100", kNull});
        TagFixture::line(*db, {1, 11, "1", "2", "000050", kNull});
        db->execute("Update TBL_RD_H2 Set OMTRKN='TOBARI',OMYOB3='010001',OMHCNO='7000001',SEIKYU_FLG=''");
        QDir().mkpath(folder.file("COR"));
        ASSERT_TRUE(QFile::copy(TOBARI_TEMPLATE_DIR "/COR/TOOCS", folder.file("COR/TOOCS")));
        const QString app = folder.path();
        const QString out = folder.file("out");
        settings = [=] {
            TagSettings s;
            s.appFolder = app;
            s.writePath = out;
            return s;
        };
    }
    void press(GridView *grid, int row, const QString &caption)
    {
        grid->setCurrentCell(row, grid->columnOf(caption));
        QTest::keyClick(grid, Qt::Key_Space);
    }
    template <class Screen>
    void show(Screen &s)
    {
        s.show();
        s.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&s));
    }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    std::function<TagSettings()> settings;
};

TEST_F(RequestScreens, ConfirmationForAPartnerThenItsTagData)
{
    frm0201_IraiKakunin confirm(dialogs, nullptr, settings);
    show(confirm);
    ASSERT_EQ(confirm.tdbList1->gridModel()->rowCount(), 1);
    EXPECT_EQ(confirm.tdbList1->gridModel()->text(0, "未発行"), "*");
    press(confirm.tdbList1, 0, "管理No");
    ASSERT_EQ(confirm.tdbList2->gridModel()->rowCount(), 1);
    EXPECT_EQ(confirm.tdbList2->gridModel()->text(0, "納件数"), "1");

    dialogs.answer(MsgResult::Ok);
    press(confirm.tdbList2, 0, "取引先名");
    // The message says what was made and that the two slips leave ordinary billing.
    EXPECT_EQ(dialogs.texts(),
              (QStringList{QStringLiteral("値札発行依頼確認書のエクセルファイルを作成しますか？"),
                           QStringLiteral("作成が終了しました。\n確認書 1 件を作成しました（フォルダ: ") + folder.file("out/1")
                               + QStringLiteral("）。\n伝票 2 枚に依頼No（1）が付きました。"
                                                "これらの伝票は通常の請求（締日計算）の対象から外れます。")}));
    EXPECT_EQ(QDir(folder.file("out/1")).entryList(QDir::Files).size(), 1);
    // The batch list is current: no slip without a number, so no "*"; the
    // partners stay listed on the same batch.
    ASSERT_EQ(confirm.tdbList1->gridModel()->rowCount(), 1);
    EXPECT_EQ(confirm.tdbList1->gridModel()->text(0, "未発行"), "");
    EXPECT_EQ(confirm.tdbList1->currentRow(), 0);
    EXPECT_EQ(confirm.tdbList2->gridModel()->rowCount(), 1);
    confirm.close();

    QStringList corrections;
    ScriptedDialogs d2;
    frm0210_InjiList tags(
        d2, [&](QWidget *, const QString &request, const QString &order) { corrections << request + "/" + order; },
        nullptr, settings);
    show(tags);
    ASSERT_EQ(tags.tdbList1->gridModel()->rowCount(), 1);
    EXPECT_EQ(tags.tdbList1->gridModel()->text(0, "受注No"), "1");
    EXPECT_EQ(tags.tdbList1->gridModel()->text(0, "明細件数"), "2");
    press(tags.tdbList1, 0, "受注No");
    ASSERT_EQ(tags.tdbList2->gridModel()->rowCount(), 1);
    press(tags.tdbList2, 0, "発注NO");
    EXPECT_EQ(corrections, QStringList{"1/7000001"});

    d2.answer(MsgResult::Ok);
    press(tags.tdbList1, 0, "明細件数");
    EXPECT_EQ(d2.texts(), (QStringList{QStringLiteral("印字データを書き出しますか？"),
                                       QStringLiteral("終了しました\n依頼No 1: 印字データ 1 ファイル、明細 2 行を出力しました（フォルダ: ")
                                           + folder.file("out/InPrintData/1") + QStringLiteral("）。")}));
    EXPECT_TRUE(QFileInfo(folder.file("out/InPrintData/1/12.CSV")).isFile());
    EXPECT_EQ(db->scalar("Select Count(*) From TBL_RD_BD Where TAG_OP_DATE='261210'").toInt(), 2);
}

} // namespace

int main(int argc, char **argv)
{
    // Tests never open a window, listing them included.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
