// The column-set editor on the offscreen platform.

#include "../ColumnSetFixture.h"
#include "ui/GridView.h"
#include "output/ColumnSets.h"
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

QStringList setNamesIn(Database &db)
{
    QStringList out;
    for (const ColumnSetName &s : columnSetNames(db))
        out << s.dbName + "=" + s.name;
    return out;
}

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

// ------------------------------------------------------------ new, rename, remove

QStringList offered(frm0122_CS_Menu &screen)
{
    QStringList out;
    for (int i = 1; i < screen.dlpSetName->count(); ++i)
        out << screen.setKeys().value(i) + "=" + screen.dlpSetName->itemText(i);
    return out;
}

TEST_F(ColumnSetScreen, NewSetInAnEmptyFolderIsShownReadyToFill)
{
    db->execute("DELETE FROM MST_SET_NAME");
    db->execute("DELETE FROM MST_COL_SET");
    screen->close();
    open();
    EXPECT_FALSE(screen->cmdRename->isEnabled());
    EXPECT_FALSE(screen->cmdRemove->isEnabled());
    dialogs.answerInput(QString("出荷用"));
    QTest::mouseClick(screen->cmdNew, Qt::LeftButton);
    EXPECT_EQ(offered(*screen), (QStringList{"SET001=出荷用"}));
    EXPECT_EQ(screen->shownSet(), "SET001");
    EXPECT_TRUE(buttonsEnabled());
    EXPECT_TRUE(screen->cmdRemove->isEnabled());
    QTest::mouseClick(screen->cmdRight, Qt::LeftButton);
    dialogs.answer(MsgResult::Yes);
    screen->reject();
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(stored("SET001"), (QStringList{"TBL_A.A1"}));
}

struct RefusedName {
    const char *name;
    std::optional<QString> typed;
    const char *said;   // empty: nothing said (the input was cancelled)
};

class ColumnSetNewRefused : public ColumnSetScreen, public ::testing::WithParamInterface<RefusedName> {};

TEST_P(ColumnSetNewRefused, LeavesTheSetsAsTheyWere)
{
    screen->chooseSet(1);
    dialogs.answerInput(GetParam().typed);
    QTest::mouseClick(screen->cmdNew, Qt::LeftButton);
    EXPECT_EQ(offered(*screen), (QStringList{"S1=納品用", "S2=請求用"}));
    EXPECT_EQ(screen->shownSet(), "S1");
    EXPECT_EQ(columnSetNames(*db).size(), 2);
    const QString said = dialogs.shown().last().kind == "message" ? dialogs.shown().last().text : QString();
    EXPECT_EQ(said, QString::fromUtf8(GetParam().said));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSetNewRefused,
    ::testing::Values(RefusedName{"Cancelled", std::nullopt, ""},
                      RefusedName{"Empty", QString("  "), "項目セットの名前を入力してください。"},
                      RefusedName{"Duplicate", QString("請求用"),
                                  "項目セット「請求用」は既にあります。別の名前を入力してください。"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ColumnSetScreen, NewSetOffersToSaveTheChangedOneFirst)
{
    screen->chooseSet(2);
    QTest::mouseClick(screen->cmdRight, Qt::LeftButton);
    dialogs.answer(MsgResult::Ok).answerInput(QString("出荷用"));
    QTest::mouseClick(screen->cmdNew, Qt::LeftButton);
    EXPECT_EQ(questionsAsked(), 1);
    EXPECT_EQ(stored("S2"), (QStringList{"TBL_A.A2", "TBL_A.A1"}));
    EXPECT_EQ(screen->dlpSetName->currentText(), "出荷用");
    EXPECT_FALSE(screen->isEdited());
}

TEST_F(ColumnSetScreen, RenameKeepsTheUnsavedMembers)
{
    screen->chooseSet(1);
    QTest::mouseClick(screen->cmdRight, Qt::LeftButton);
    dialogs.answerInput(QString("請求用"));   // taken by S2
    QTest::mouseClick(screen->cmdRename, Qt::LeftButton);
    EXPECT_EQ(dialogs.shown().last().text, QString("項目セット「請求用」は既にあります。別の名前を入力してください。"));
    dialogs.answerInput(QString("納品用２"));
    QTest::mouseClick(screen->cmdRename, Qt::LeftButton);
    EXPECT_EQ(offered(*screen), (QStringList{"S1=納品用２", "S2=請求用"}));
    EXPECT_EQ(setNamesIn(*db), (QStringList{"S1=納品用２", "S2=請求用"}));
    EXPECT_TRUE(screen->isEdited());
    EXPECT_EQ(setRows().size(), 4);
    EXPECT_EQ(stored("S1"), (QStringList{"TBL_A.A1", "TBL_B.B1", "TBL_A.GONE"})) << "members not saved by a rename";
}

TEST_F(ColumnSetScreen, RemoveAsksWithCancelPreselected)
{
    screen->chooseSet(1);
    dialogs.answer(MsgResult::Cancel);
    QTest::mouseClick(screen->cmdRemove, Qt::LeftButton);
    ASSERT_FALSE(dialogs.shown().isEmpty());
    EXPECT_EQ(dialogs.shown().last().text, QString("項目セット「納品用」を削除しますか？"));
    EXPECT_EQ(dialogs.shown().last().defaultButton, MsgResult::Cancel);
    EXPECT_EQ(offered(*screen), (QStringList{"S1=納品用", "S2=請求用"}));
    EXPECT_EQ(screen->shownSet(), "S1");

    QTest::mouseClick(screen->cmdRight, Qt::LeftButton);   // changes that go with the set
    dialogs.answer(MsgResult::Ok);
    QTest::mouseClick(screen->cmdRemove, Qt::LeftButton);
    EXPECT_EQ(offered(*screen), (QStringList{"S2=請求用"}));
    EXPECT_TRUE(stored("S1").isEmpty());
    EXPECT_EQ(screen->shownSet(), QString());
    EXPECT_FALSE(buttonsEnabled());
    screen->reject();
    EXPECT_FALSE(screen->isVisible()) << "nothing left to save";
    EXPECT_EQ(questionsAsked(), 0);
}

// Closing with unsaved changes: save, discard, or stay with the changes.
struct CloseCase {
    const char *name;
    MsgResult answer;
    bool closed;
    QStringList storedS2;
};

class ColumnSetClose : public ColumnSetScreen, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ColumnSetClose, SaveDiscardOrStay)
{
    screen->chooseSet(2);
    QTest::mouseClick(screen->cmdRight, Qt::LeftButton);
    dialogs.answer(GetParam().answer);
    screen->reject();
    EXPECT_EQ(questionsAsked(), 1);
    EXPECT_EQ(dialogs.shown().last().buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(dialogs.shown().last().defaultButton, MsgResult::Yes);
    EXPECT_EQ(!screen->isVisible(), GetParam().closed);
    EXPECT_EQ(stored("S2"), GetParam().storedS2);
    EXPECT_EQ(screen->isEdited(), !GetParam().closed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSetClose,
    ::testing::Values(CloseCase{"Save", MsgResult::Yes, true, {"TBL_A.A2", "TBL_A.A1"}},
                      CloseCase{"Discard", MsgResult::No, true, {"TBL_A.A2"}},
                      CloseCase{"Stay", MsgResult::Cancel, false, {"TBL_A.A2"}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
