// The column-set editor on the offscreen platform.

#include "../ColumnSetFixture.h"
#include "ui/GridView.h"
#include "output/ui/frm0122_CS_Menu.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString SaveQuestion = QStringLiteral("現在のデータは編集されています。\n変更を保存しますか？");

class ColumnSetScreen : public ::testing::Test, public ColumnSetFixture {
protected:
    void SetUp() override
    {
        prepareColumnSets();
        open();
    }
    void open()
    {
        screen = std::make_unique<frm0122_CS_Menu>(dialogs);
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(screen.get()));
    }
    // The rows of a grid as "column:caption".
    static QStringList rows(GridView *grid)
    {
        QStringList out;
        const GridModel &m = *grid->gridModel();
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.text(r, 1) + ":" + m.text(r, 2);
        return out;
    }
    QStringList setRows() { return rows(screen->tdbSetList); }
    bool buttonsEnabled()
    {
        const bool up = screen->cmdUP->isEnabled();
        EXPECT_EQ(screen->cmdRight->isEnabled(), up);
        EXPECT_EQ(screen->codDown->isEnabled(), up);
        return up;
    }
    int questionsAsked() const
    {
        int n = 0;
        for (const auto &s : dialogs.shown())
            n += s.text == SaveQuestion;
        return n;
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<frm0122_CS_Menu> screen;
};

TEST_F(ColumnSetScreen, OpensWithTabsByLevelAndTheFirstCatalogue)
{
    EXPECT_EQ(screen->windowTitle(), QString("カスタム出力項目設定"));
    ASSERT_EQ(screen->tstColList->count(), 2);
    EXPECT_EQ(screen->tstColList->tabText(0), QString("ヘッダ"));
    EXPECT_EQ(screen->tstColList->tabText(1), QString("明細"));
    EXPECT_EQ(rows(screen->tdbListCol), (QStringList{"A1:項目一", "A2:項目二"}));
    EXPECT_EQ(screen->dlpSetName->count(), 3);
    EXPECT_EQ(screen->dlpSetName->itemText(0), QString());
    EXPECT_EQ(screen->dlpSetName->itemText(2), QString("請求用"));
    EXPECT_TRUE(setRows().isEmpty());
    EXPECT_FALSE(buttonsEnabled());
    // The catalogue is for picking, not for editing.
    const GridModel &catalogue = *screen->tdbListCol->gridModel();
    for (int c = 0; c < catalogue.columnCount(); ++c)
        EXPECT_FALSE(catalogue.flags(catalogue.index(0, c)) & Qt::ItemIsEditable) << c;

    screen->tstColList->setCurrentIndex(1);
    EXPECT_EQ(rows(screen->tdbListCol), QStringList{"B1:明細一"});
}

TEST_F(ColumnSetScreen, ChosenSetShowsItsMembersALeftColumnWithoutCaption)
{
    screen->chooseSet(1);
    EXPECT_EQ(setRows(), (QStringList{"A1:項目一", "B1:明細一", "GONE:"}));
    EXPECT_EQ(screen->shownSet(), QString("S1"));
    EXPECT_TRUE(buttonsEnabled());
    EXPECT_FALSE(screen->isEdited());
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(ColumnSetScreen, AddedColumnIsSavedWhenAnotherSetIsChosen)
{
    screen->chooseSet(2);
    screen->tstColList->setCurrentIndex(1);
    QTest::mouseClick(screen->cmdRight, Qt::LeftButton);
    EXPECT_EQ(setRows(), (QStringList{"A2:項目二", "B1:明細一"}));
    EXPECT_TRUE(screen->isEdited());

    dialogs.answer(MsgResult::Ok);
    screen->chooseSet(1);
    EXPECT_EQ(questionsAsked(), 1);
    EXPECT_EQ(dialogs.shown().back().title, QString("保存確認"));
    EXPECT_EQ(dialogs.shown().back().icon, MsgIcon::Question);
    EXPECT_EQ(stored("S2"), (QStringList{"TBL_A.A2", "TBL_B.B1"}));
    EXPECT_EQ(setRows(), (QStringList{"A1:項目一", "B1:明細一", "GONE:"}));
    EXPECT_FALSE(screen->isEdited());
}

TEST_F(ColumnSetScreen, DoubleClickInTheCatalogueAddsOnlyWhenASetIsChosen)
{
    auto doubleClickFirst = [this] {
        const QRect cell = screen->tdbListCol->visualRect(screen->tdbListCol->gridModel()->index(0, 1));
        QTest::mouseDClick(screen->tdbListCol->viewport(), Qt::LeftButton, {}, cell.center());
    };
    doubleClickFirst();
    EXPECT_TRUE(setRows().isEmpty());
    EXPECT_FALSE(screen->isEdited());
    screen->chooseSet(2);
    doubleClickFirst();
    EXPECT_EQ(setRows(), (QStringList{"A2:項目二", "A1:項目一"}));
}

struct MoveCase {
    const char *name;
    int current;
    bool down;
    QStringList expected;
};

void PrintTo(const MoveCase &c, std::ostream *os)
{
    *os << c.name;
}

class ColumnSetMove : public ColumnSetScreen, public ::testing::WithParamInterface<MoveCase> {};

// Moving a member past either end changes nothing in the order, yet the set
// counts as changed.
TEST_P(ColumnSetMove, MovesTheCurrentMemberAndMarksTheSetChanged)
{
    const MoveCase &c = GetParam();
    screen->chooseSet(1);
    screen->tdbSetList->setCurrentRow(c.current);
    QTest::mouseClick(c.down ? screen->codDown : screen->cmdUP, Qt::LeftButton);
    EXPECT_EQ(setRows(), c.expected);
    EXPECT_TRUE(screen->isEdited());
    dialogs.answer(MsgResult::Ok);
    screen->chooseSet(2);
    EXPECT_EQ(questionsAsked(), 1);
    QStringList stored;
    for (const QString &r : c.expected)
        stored << (r.startsWith('B') ? "TBL_B." : "TBL_A.") + r.section(':', 0, 0);
    EXPECT_EQ(this->stored("S1"), stored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSetMove,
    ::testing::Values(MoveCase{"FirstUp", 0, false, {"A1:項目一", "B1:明細一", "GONE:"}},
                      MoveCase{"LastDown", 2, true, {"A1:項目一", "B1:明細一", "GONE:"}},
                      MoveCase{"SecondUp", 1, false, {"B1:明細一", "A1:項目一", "GONE:"}},
                      MoveCase{"FirstDown", 0, true, {"B1:明細一", "A1:項目一", "GONE:"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ColumnSetScreen, MovedMemberStaysCurrentAtItsNewPlace)
{
    screen->chooseSet(1);
    screen->tdbSetList->setCurrentRow(0);
    QTest::mouseClick(screen->codDown, Qt::LeftButton);
    QTest::mouseClick(screen->codDown, Qt::LeftButton);
    EXPECT_EQ(setRows(), (QStringList{"B1:明細一", "GONE:", "A1:項目一"}));
    EXPECT_EQ(screen->tdbSetList->currentRow(), 2);
}

TEST_F(ColumnSetScreen, EmptiedSetSavesAsNoRows)
{
    screen->chooseSet(1);
    screen->tdbSetList->setFocus();
    for (int i = 0; i < 4; ++i)   // one more Delete than members: nothing happens
        QTest::keyClick(screen->tdbSetList, Qt::Key_Delete);
    EXPECT_TRUE(setRows().isEmpty());
    dialogs.answer(MsgResult::Ok);
    screen->chooseSet(2);
    EXPECT_TRUE(stored("S1").isEmpty());
    EXPECT_EQ(stored("S2"), QStringList{"TBL_A.A2"});
}

TEST_F(ColumnSetScreen, DeclinedSaveWritesNothing)
{
    screen->chooseSet(1);
    QTest::keyClick(screen->tdbSetList, Qt::Key_Delete);
    dialogs.answer(MsgResult::Cancel);
    screen->chooseSet(2);
    EXPECT_EQ(stored("S1"), (QStringList{"TBL_A.A1", "TBL_B.B1", "TBL_A.GONE"}));
    EXPECT_EQ(setRows(), QStringList{"A2:項目二"});
    EXPECT_FALSE(screen->isEdited());
}

TEST_F(ColumnSetScreen, EmptyItemAfterEditingOffersToSaveThenShowsNothing)
{
    screen->chooseSet(1);
    QTest::mouseClick(screen->cmdUP, Qt::LeftButton);
    dialogs.answer(MsgResult::Ok);
    screen->chooseSet(0);
    EXPECT_EQ(questionsAsked(), 1);
    EXPECT_EQ(stored("S1"), (QStringList{"TBL_A.A1", "TBL_B.B1", "TBL_A.GONE"}));
    EXPECT_TRUE(setRows().isEmpty());
    EXPECT_FALSE(buttonsEnabled());
    EXPECT_EQ(screen->shownSet(), QString());
}

TEST_F(ColumnSetScreen, ClosingWithCtrlWOffersToSave)
{
    screen->chooseSet(2);
    QTest::mouseClick(screen->cmdRight, Qt::LeftButton);
    dialogs.answer(MsgResult::Yes);   // save
    QTest::keyClick(screen.get(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(questionsAsked(), 1);
    EXPECT_EQ(stored("S2"), (QStringList{"TBL_A.A2", "TBL_A.A1"}));
}

TEST_F(ColumnSetScreen, UnchangedSetClosesWithoutAQuestion)
{
    screen->chooseSet(1);
    screen->reject();
    EXPECT_FALSE(screen->isVisible());
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(ColumnSetScreen, AHundredAndTwentySetsAllOffered)
{
    for (int i = 3; i <= 120; ++i)
        db->execute("INSERT INTO MST_SET_NAME VALUES (?, ?)", {QString("S%1").arg(i), QString("セット%1").arg(i)});
    screen->close();
    open();
    ASSERT_EQ(screen->dlpSetName->count(), 121);
    EXPECT_EQ(screen->dlpSetName->itemText(120), QString("セット120"));
    EXPECT_EQ(screen->setKeys().value(120), QString("S120"));
    screen->chooseSet(120);
    EXPECT_EQ(screen->shownSet(), QString("S120"));
    EXPECT_TRUE(buttonsEnabled());
}

} // namespace
