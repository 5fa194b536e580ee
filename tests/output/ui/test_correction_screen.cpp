// The delivered-quantity correction screen on the offscreen platform,
// driven by keys and clicks.

#include "output/ui/frm0102_DenSuuEdit.h"
#include "ui/GridView.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Slip 000123 with three lines (15, 15.5 and 14.5 pieces), a billed slip
// 000124, and order 7000002 in two slips of request 5 and one of request 6.
class CorrectionScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000123"}, {"OMHCNO", "7000001"}, {"SEIKYU_FLG", "0"}});
        SlipRows::line(*db, 1, 10, 100, "000150", "0001980", {{"ONLINE", "01"}, {"ONGTNK", "000099000"}});
        SlipRows::line(*db, 1, 10, 101, "000155", "0000500", {{"ONLINE", "02"}, {"ONGTNK", "000020000"}});
        SlipRows::line(*db, 1, 10, 102, "000145", "0000100", {{"ONLINE", "03"}, {"ONGTNK", "000005000"}});
        SlipRows::slip(*db, 1, 11, {{"OMDNNO", "000124"}, {"OMHCNO", "7000001"}, {"SEIKYU_FLG", "-1"}});
        SlipRows::line(*db, 1, 11, 110, "000010", "0000100", {{"ONLINE", "01"}, {"ONGTNK", "000005000"}});
        for (int h2 : {12, 13, 14})
            SlipRows::slip(*db, 2, h2, {{"OMDNNO", QString::number(h2)}, {"OMHCNO", "7000002"},
                                        {"SEIKYU_FLG", h2 == 14 ? "6" : "5"}});
        SlipRows::line(*db, 2, 12, 120, "000020", "0001980", {{"ONLINE", "01"}, {"ONGTNK", "000099000"}});
        SlipRows::line(*db, 2, 13, 130, "000030", "0002900", {{"ONLINE", "02"}, {"ONGTNK", "000150000"}});
        SlipRows::line(*db, 2, 14, 140, "000040", "0002900", {{"ONLINE", "03"}, {"ONGTNK", "000150000"}});
        screen = std::make_unique<frm0102_DenSuuEdit>(dialogs);
    }

    void openSlip(const QString &slipNo = QStringLiteral("000123"))
    {
        screen->set_DENNO(slipNo, "7000001", QStringLiteral("ｶｽﾀﾑ店"), false);
        show();
    }
    void openRequest()
    {
        screen->set_DENNO("5", "7000002", QStringLiteral("なし"), true);
        show();
    }
    void show()
    {
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }

    GridModel &model() { return *screen->tdbList1->gridModel(); }
    QStringList column(const QString &caption)
    {
        QStringList out;
        for (int r = 0; r < model().rowCount(); ++r)
            out << model().text(r, caption);
        return out;
    }
    QStringList editableCaptions()
    {
        QStringList out;
        for (int c = 0; c < model().columnCount(); ++c)
            if (model().flags(model().index(0, c)) & Qt::ItemIsEditable)
                out << model().column(c).caption;
        return out;
    }
    // The operator's edit of one cell, as the cell editor stores it.
    void edit(int row, const QString &caption, const QString &text)
    {
        ASSERT_TRUE(model().setData(model().index(row, model().columnOf(caption)), text, Qt::EditRole));
    }
    QString field(int bd, const char *column)
    {
        return db->scalar(QStringLiteral("SELECT %1 FROM TBL_RD_BD WHERE INDEXNOBD=?").arg(column), {bd}).toString();
    }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    std::unique_ptr<frm0102_DenSuuEdit> screen;
};

TEST_F(CorrectionScreen, SlipModeShowsTheSlipsLinesWithFractions)
{
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("発注数量訂正"));
    openSlip();
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("発注数量訂正  <000123>"));
    EXPECT_EQ(screen->xtxtHaNo->text(), "7000001");
    EXPECT_EQ(screen->xtxtTenName->text(), QStringLiteral("ｶｽﾀﾑ店"));
    EXPECT_EQ(column(QStringLiteral("INDEX")), (QStringList{"100", "101", "102"}));
    EXPECT_EQ(column(QStringLiteral("受注数")), (QStringList{"15", "15.5", "14.5"}));
    EXPECT_EQ(column(QStringLiteral("納品数")), (QStringList{"15", "15.5", "14.5"}));
    EXPECT_EQ(editableCaptions(), QStringList{QStringLiteral("納品数")});
    EXPECT_EQ(screen->tdbList1->currentIndex().column(), model().columnOf(QStringLiteral("納品数")));
    EXPECT_TRUE(screen->isEditable());
    EXPECT_EQ(dialogs.shown().size(), 0);
}

TEST_F(CorrectionScreen, RequestModeShowsTheOrderWithinTheRequest)
{
    openRequest();
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("発注数量訂正  <5>"));
    EXPECT_EQ(screen->xtxtTenName->text(), QStringLiteral("なし"));
    EXPECT_EQ(column(QStringLiteral("INDEXNO")), (QStringList{"120", "130"}));
    EXPECT_EQ(column(QStringLiteral("納品数")), (QStringList{"2", "3"}));
    EXPECT_EQ(column(QStringLiteral("受注売価")), (QStringList{"0001980", "0002900"}));
    EXPECT_EQ(column(QStringLiteral("売価")), (QStringList{"0001980", "0002900"}));
    EXPECT_EQ(editableCaptions(), (QStringList{QStringLiteral("納品数"), QStringLiteral("売価")}));
    EXPECT_TRUE(screen->isEditable());
}

TEST_F(CorrectionScreen, CorrectionTypedAndSavedWithF1)
{
    openSlip();
    // Typing replaces the quantity; F1 while the cell is still being edited
    // saves what was typed.
    QTest::keyClick(screen->tdbList1, '1');
    QWidget *editor = QApplication::focusWidget();   // the key opened the cell editor
    ASSERT_NE(editor, nullptr);
    EXPECT_NE(editor, screen->tdbList1);
    QTest::keyClick(editor, '2');
    QTest::keyClick(editor, Qt::Key_F1);
    EXPECT_EQ(screen->result(), QDialog::Accepted);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(field(100, "ONSURY"), "000120");
    EXPECT_EQ(field(100, "ONBTNK"), "0001980");
    EXPECT_EQ(field(100, "ONBAIJ"), "0000023760");
    EXPECT_EQ(field(100, "ONGENJ"), "0000011880");
    EXPECT_EQ(field(100, "ONSURYM"), "0001500001980Y");
    // Lines left alone are saved too, marked, and keep their half pieces.
    EXPECT_EQ(field(101, "ONSURY"), "000155");
    EXPECT_EQ(field(101, "ONBAIJ"), "0000007750");
    EXPECT_EQ(field(101, "ONSURYM"), "0001550000500Y");
    EXPECT_EQ(field(102, "ONSURY"), "000145");
    EXPECT_EQ(field(102, "ONSURYM"), "0001450000100Y");
    EXPECT_EQ(dialogs.shown().size(), 0);
}

TEST_F(CorrectionScreen, RequestModeSavesPricesAndZeroKeepsThePrice)
{
    openRequest();
    edit(0, QStringLiteral("売価"), "2500");
    edit(1, QStringLiteral("売価"), "0");
    edit(1, QStringLiteral("納品数"), "4");
    dialogs.answer(MsgResult::Ok);   // 4 pieces against an order of 3
    QTest::mouseClick(screen->cmdOK, Qt::LeftButton);
    EXPECT_EQ(screen->result(), QDialog::Accepted);
    EXPECT_EQ(field(120, "ONBTNK"), "0002500");
    EXPECT_EQ(field(120, "ONBAIJ"), "0000005000");
    EXPECT_EQ(field(130, "ONBTNK"), "0002900");
    EXPECT_EQ(field(130, "ONBAIJ"), "0000011600");
    EXPECT_EQ(field(140, "ONSURYM"), "0000400002900N");   // the other request's line
}

struct RefusedEntry {
    const char *name;
    const char *caption;
    const char *text;
    const char *message;
};

class CorrectionRefused : public CorrectionScreen, public ::testing::WithParamInterface<RefusedEntry> {};

TEST_P(CorrectionRefused, MessageAndNothingSaved)
{
    const RefusedEntry &e = GetParam();
    openRequest();
    edit(0, QStringLiteral("納品数"), "1");   // a good value before the bad one
    edit(1, QString::fromUtf8(e.caption), QString::fromUtf8(e.text));
    QTest::keyClick(screen->tdbList1, Qt::Key_F1);
    EXPECT_TRUE(screen->isVisible());
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QString::fromUtf8(e.message));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs.shown()[0].title, QString());
    EXPECT_EQ(screen->tdbList1->currentIndex().row(), 1);   // the cursor on the refused line
    for (int bd : {120, 130}) {
        SCOPED_TRACE(bd);
        EXPECT_TRUE(field(bd, "ONSURYM").endsWith('N'));
    }
    EXPECT_EQ(field(120, "ONSURY"), "000020");
    EXPECT_EQ(db->transactionDepth(), 0);
    // Corrected, the same screen saves.
    edit(1, QString::fromUtf8(e.caption), "3");
    QTest::keyClick(screen->tdbList1, Qt::Key_F1);
    EXPECT_EQ(screen->result(), QDialog::Accepted);
    EXPECT_EQ(field(120, "ONSURY"), "000010");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorrectionRefused,
    ::testing::Values(
        RefusedEntry{"letters", "納品数", "abc", "入力された値が数値として認識できません。"},
        RefusedEntry{"empty_cell", "納品数", "", "入力された値が数値として認識できません。"},
        RefusedEntry{"price_not_a_number", "売価", "12a", "入力された値が数値として認識できません。"},
        RefusedEntry{"beyond_32_bits", "納品数", "9999999999", "入力された数値の値が大きすぎます。"},
        RefusedEntry{"quantity_field_too_narrow", "納品数", "100000", "入力された数値の値が大きすぎます。"},
        RefusedEntry{"price_field_too_narrow", "売価", "10000000", "入力された数値の値が大きすぎます。"},
        RefusedEntry{"negative_quantity", "納品数", "-3", "納品数にマイナスの値は入力できません。"},
        RefusedEntry{"two_decimals", "納品数", "2.55", "納品数は小数点以下1桁まで入力できます。"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CorrectionScreen, TypedKeysKeepTheSignAndOneDecimal)
{
    openSlip();
    // A second decimal does not reach the cell.
    QTest::keyClick(screen->tdbList1, '1');
    QWidget *editor = QApplication::focusWidget();
    ASSERT_NE(editor, screen->tdbList1);
    QTest::keyClicks(editor, "2.55");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();   // the delegate commits on a queued call
    EXPECT_EQ(model().text(0, QStringLiteral("納品数")), "12.5");

    // A minus does (so that saving can refuse it, instead of "-3" becoming 3).
    screen->tdbList1->setCurrentCell(1, model().columnOf(QStringLiteral("納品数")));
    QTest::keyClick(screen->tdbList1, '-');
    editor = QApplication::focusWidget();
    ASSERT_NE(editor, screen->tdbList1);
    QTest::keyClicks(editor, "3");
    QTest::keyClick(editor, Qt::Key_F1);
    EXPECT_TRUE(screen->isVisible());
    EXPECT_EQ(model().text(1, QStringLiteral("納品数")), "-3");
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("納品数にマイナスの値は入力できません。"));
    EXPECT_EQ(field(100, "ONSURY"), "000150");
    EXPECT_EQ(field(101, "ONSURY"), "000155");
}

TEST_F(CorrectionScreen, DeliveryAboveTheOrderIsAskedFirst)
{
    openSlip();
    edit(1, QStringLiteral("納品数"), "99");
    dialogs.answer(MsgResult::Cancel);
    QTest::keyClick(screen->tdbList1, Qt::Key_F1);
    EXPECT_TRUE(screen->isVisible());
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("受注数を超えています。このまま確定しますか？"));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Question);
    EXPECT_EQ(dialogs.shown()[0].defaultButton, MsgResult::Cancel);
    EXPECT_EQ(screen->tdbList1->currentIndex().row(), 1);
    EXPECT_EQ(field(101, "ONSURYM"), "0001550000500N");

    dialogs.answer(MsgResult::Ok);
    QTest::keyClick(screen->tdbList1, Qt::Key_F1);
    EXPECT_EQ(screen->result(), QDialog::Accepted);
    EXPECT_EQ(field(101, "ONSURY"), "000990");
    EXPECT_EQ(field(101, "ONBAIJ"), "0000049500");
    EXPECT_EQ(field(100, "ONSURY"), "000150");
}

TEST_F(CorrectionScreen, BilledSlipIsReadOnlyAndF9ClosesAtOnce)
{
    openSlip("000124");
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("選択されたデータは請求済みです。\n請求済みのデータを変更する事は出来ません。"));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(screen->isEditable());
    EXPECT_FALSE(screen->tdbList1->isEnabled());
    EXPECT_FALSE(screen->cmdOK->isEnabled());
    QTest::keyClick(screen.get(), Qt::Key_F1);   // nothing to save
    EXPECT_TRUE(screen->isVisible());
    EXPECT_EQ(field(110, "ONSURYM"), "0000100000100N");
    QTest::keyClick(screen.get(), Qt::Key_F9);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(screen->result(), QDialog::Rejected);
    EXPECT_EQ(dialogs.shown().size(), 1);   // no question
}

TEST_F(CorrectionScreen, UnknownSlipOpensReadOnlyWithoutMessage)
{
    openSlip("999999");
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_FALSE(screen->isEditable());
    EXPECT_EQ(dialogs.shown().size(), 0);
}

TEST_F(CorrectionScreen, LeavingAsksAndCancelStays)
{
    openSlip();
    edit(0, QStringLiteral("納品数"), "12");
    dialogs.answer(MsgResult::Cancel).answer(MsgResult::Ok);
    QTest::keyClick(screen->tdbList1, Qt::Key_F9);
    EXPECT_TRUE(screen->isVisible());
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("編集内容を確定せずに終了しますが宜しいですか？"));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Question);
    EXPECT_EQ(dialogs.shown()[0].buttons, MsgButtons::OkCancel);
    QTest::mouseClick(screen->cmdCan, Qt::LeftButton);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(screen->result(), QDialog::Rejected);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(field(100, "ONSURY"), "000150");
    EXPECT_EQ(field(100, "ONSURYM"), "0001500001980N");
}

TEST_F(CorrectionScreen, CtrlWClosesWithoutAsking)
{
    openSlip();
    edit(0, QStringLiteral("納品数"), "12");
    QTest::keyClick(screen->tdbList1, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(dialogs.shown().size(), 0);
    EXPECT_EQ(field(100, "ONSURY"), "000150");
}

} // namespace
