#include "GridTestApp.h"

#include "ui/GridDelegates.h"
#include "ui/GridView.h"
#include "ui/InputHelpers.h"
#include "ui/LoadGrid.h"
#include "store/DbError.h"
#include "support/TempDataFolder.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// The billing screen's slips of this period and its history of billing runs.
const char *const ThisPeriod =
    "Select INDEXNOH2 as IDXH00000,HA_FLG as CKb00500,DEN_NO as 伝票NOs01000,DEN_NOUKI as 伝票日付D00900,"
    "HA_NO as 発注NOs00900,KINGAKU_KEI as 金額L00900 From TBL_SEM_B SEB Where KIKANNAI_FLG='-1' "
    "Order By INDEXNOH2";
const char *const History =
    "Select INDEXNOZH as 請求管理NoB01200,DATA_SAKUSEI_BI as 処理日D00900,TAISYOU_I as 締日D00900,"
    "DEN_MAISUU as 伝票枚数L00900 From TBL_SEZ_H SZH Order By SZH.INDEXNOZH Desc";

class GridViewTest : public WidgetTest {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        db->execute("Insert Into TBL_SEM_B(INDEXNOH2,DEN_NO,DEN_NOUKI,HA_NO,KINGAKU_KEI,HA_FLG,KIKANNAI_FLG) "
                    "Values(12,'0000123','240315','H001',1234567,'-1','-1')");
        db->execute("Insert Into TBL_SEM_B(INDEXNOH2,DEN_NO,DEN_NOUKI,HA_NO,KINGAKU_KEI,HA_FLG,KIKANNAI_FLG) "
                    "Values(13,'0000124','240401',Null,Null,'0','-1')");
        db->execute("Insert Into TBL_SEZ_H(INDEXNOZH,DATA_SAKUSEI_BI,TAISYOU_I,DEN_MAISUU) "
                    "Values(3,'240321','240320',15)");
        db->execute("Insert Into TBL_SEZ_H(INDEXNOZH,DATA_SAKUSEI_BI,TAISYOU_I,DEN_MAISUU) "
                    "Values(4,'240421','240420',1203)");

        window.resize(640, 360);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(grid = new GridView);
        layout->addWidget(other = new GridView);
        layout->addWidget(box = new QLineEdit);
    }

    void showActive()
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QPoint centre(int row, int column) const { return grid->visualRect(grid->model()->index(row, column)).center(); }
    void click(int row, int column) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre(row, column)); }

    TempDataFolder folder;
    Database *db = nullptr;
    QWidget window;
    GridView *grid = nullptr;
    GridView *other = nullptr;
    QLineEdit *box = nullptr;
};

TEST_F(GridViewTest, LoadGridLaysTheColumnsOutFromTheirAliases)
{
    LoadGrid(*grid, ThisPeriod, *db);
    GridModel &m = *grid->gridModel();
    ASSERT_EQ(m.columnCount(), 6);
    ASSERT_EQ(m.rowCount(), 2);
    EXPECT_TRUE(grid->isColumnHidden(0));
    for (int c = 1; c < 6; ++c)
        EXPECT_FALSE(grid->isColumnHidden(c)) << c;
    EXPECT_EQ(grid->columnWidth(1), grid->pixelsForTwips(500));
    EXPECT_EQ(grid->columnWidth(2), grid->pixelsForTwips(1000));
    EXPECT_EQ(grid->columnWidth(5), grid->pixelsForTwips(900));
    EXPECT_NE(grid->columnWidth(2), grid->columnWidth(1));

    EXPECT_NE(qobject_cast<CheckBoxDelegate *>(grid->itemDelegateForColumn(1)), nullptr);
    EXPECT_NE(qobject_cast<NumberCellDelegate *>(grid->itemDelegateForColumn(5)), nullptr);
    EXPECT_EQ(grid->itemDelegateForColumn(2), nullptr);

    // The first row is current; the hidden key is read back from the array.
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(grid->currentText(0), QString("12"));
    EXPECT_EQ(grid->currentText(QString("金額")), QString("1234567"));
    EXPECT_EQ(m.index(0, 5).data().toString(), QString("1,234,567"));
    EXPECT_EQ(m.text(1, 4), QString(""));
}

TEST_F(GridViewTest, NoRowsGiveAnEmptyGridWithEveryColumn)
{
    LoadGrid(*grid, QString(ThisPeriod).replace("'-1' ", "'x' "), *db);
    EXPECT_EQ(grid->gridModel()->rowCount(), 0);
    EXPECT_EQ(grid->gridModel()->columnCount(), 6);
    EXPECT_EQ(grid->model()->headerData(3, Qt::Horizontal).toString(), QString("伝票日付"));
    EXPECT_EQ(grid->currentRow(), -1);
    EXPECT_EQ(grid->currentText(0), QString());
}

TEST_F(GridViewTest, AQueryErrorLeavesTheGridAsItWas)
{
    LoadGrid(*grid, ThisPeriod, *db);
    EXPECT_THROW(LoadGrid(*grid, "Select x as 名S00900 From NoSuchTable", *db), DbError);
    EXPECT_EQ(grid->gridModel()->columnCount(), 6);
    EXPECT_EQ(grid->gridModel()->rowCount(), 2);
    EXPECT_EQ(grid->gridModel()->text(0, 2), QString("0000123"));
}

TEST_F(GridViewTest, ReloadingGivesEachColumnItsNewDelegate)
{
    LoadGrid(*grid, ThisPeriod, *db);
    LoadGrid(*grid, History, *db);
    EXPECT_NE(qobject_cast<ButtonCellDelegate *>(grid->itemDelegateForColumn(0)), nullptr);
    EXPECT_EQ(grid->itemDelegateForColumn(1), nullptr);   // was the check box
    EXPECT_NE(qobject_cast<NumberCellDelegate *>(grid->itemDelegateForColumn(3)), nullptr);
    EXPECT_EQ(grid->itemDelegateForColumn(5), nullptr);
    EXPECT_FALSE(grid->isColumnHidden(0));
    EXPECT_EQ(grid->gridModel()->index(0, 3).data().toString(), QString("1,203"));
}

TEST_F(GridViewTest, ImportListLoaderSaysSoWhenNothingIsLeftAndKeepsTheGrid)
{
    const QString query = "Select INDEXNOZH as 管理NoB00900,DATA_SAKUSEI_BI as データ日付D01500,"
                          "DEN_MAISUU as 伝票件数L00900 From TBL_SEZ_H ";
    ScriptedDialogs dialogs;
    EXPECT_TRUE(LoadImportListGrid(*grid, query + "Order By INDEXNOZH", *db, dialogs));
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_EQ(grid->gridModel()->index(0, 1).data().toString(), QString("24年03月21日"));
    EXPECT_TRUE(grid->gridModel()->flags(grid->gridModel()->index(0, 1)) & Qt::ItemIsEditable);

    EXPECT_FALSE(LoadImportListGrid(*grid, query + "Where INDEXNOZH=99", *db, dialogs));
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown().first().text, QString("出力する明細は存在しません。"));
    EXPECT_EQ(dialogs.shown().first().title, QString("出力明細無し"));
    EXPECT_EQ(dialogs.shown().first().icon, MsgIcon::Critical);
    EXPECT_EQ(grid->gridModel()->rowCount(), 2);
    EXPECT_EQ(grid->gridModel()->text(1, 0), QString("4"));
}

TEST_F(GridViewTest, ClickingACheckBoxTogglesTheArrayText)
{
    showActive();
    LoadGrid(*grid, ThisPeriod, *db);
    QSignalSpy edited(grid, &GridView::cellEdited);

    click(1, 1);
    EXPECT_EQ(grid->gridModel()->text(1, 1), QString("-1"));
    click(1, 1);
    EXPECT_EQ(grid->gridModel()->text(1, 1), QString("0"));
    click(0, 1);
    EXPECT_EQ(grid->gridModel()->text(0, 1), QString("0"));
    ASSERT_EQ(edited.count(), 3);
    EXPECT_EQ(edited.at(2), QVariantList({0, 1}));

    // The space bar ticks the current cell.
    grid->setFocus();
    grid->setCurrentCell(0, 1);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(grid->gridModel()->text(0, 1), QString("-1"));

    // Other cells of the row are not ticked by a click.
    click(0, 2);
    EXPECT_EQ(grid->gridModel()->text(0, 1), QString("-1"));
    EXPECT_EQ(edited.count(), 4);
}

TEST_F(GridViewTest, ButtonCellsReportTheirPress)
{
    showActive();
    LoadGrid(*grid, History, *db);
    QSignalSpy pressed(grid, &GridView::buttonClicked);

    click(1, 0);
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.at(0), QVariantList({1, 0}));
    EXPECT_EQ(grid->currentRow(), 1);

    click(1, 1);                       // not a button column
    EXPECT_EQ(pressed.count(), 1);

    // Pressed on one button and let go over another: no press.
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, centre(0, 0));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, centre(1, 0));
    EXPECT_EQ(pressed.count(), 1);

    grid->setFocus();
    grid->setCurrentCell(0, 0);
    QTest::keyClick(grid, Qt::Key_Space);
    ASSERT_EQ(pressed.count(), 2);
    EXPECT_EQ(pressed.at(1), QVariantList({0, 0}));
}

// Enter presses a button cell as Space does; on any other cell it goes on to
// the window, whose default button still answers it.
TEST_F(GridViewTest, EnterPressesAButtonCellAndOtherwiseReachesTheWindow)
{
    struct Case {
        const char *name;
        int column;   // 0 請求管理No (button), 1 処理日 (text)
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool pressesButton;
    };
    const Case cases[] = {
        {"return_on_button", 0, Qt::Key_Return, Qt::NoModifier, true},
        {"keypad_enter_on_button", 0, Qt::Key_Enter, Qt::KeypadModifier, true},
        {"return_on_text_cell", 1, Qt::Key_Return, Qt::NoModifier, false},
        {"keypad_enter_on_text_cell", 1, Qt::Key_Enter, Qt::KeypadModifier, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDialog screen;
        auto *layout = new QVBoxLayout(&screen);
        auto *list = new GridView;
        auto *ok = new QPushButton(QStringLiteral("OK"));
        layout->addWidget(list);
        layout->addWidget(ok);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &screen, &QDialog::accept);
        screen.show();
        screen.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
        LoadGrid(*list, History, *db);
        list->setFocus();
        list->setCurrentCell(1, c.column);
        QSignalSpy pressed(list, &GridView::buttonClicked);

        QTest::keyClick(list, c.key, c.modifiers);
        if (c.pressesButton) {
            ASSERT_EQ(pressed.count(), 1);
            EXPECT_EQ(pressed.at(0), QVariantList({1, 0}));
            EXPECT_EQ(screen.result(), 0);
            EXPECT_TRUE(screen.isVisible());
        } else {
            EXPECT_EQ(pressed.count(), 0);
            EXPECT_EQ(screen.result(), int(QDialog::Accepted));
        }
    }
}

TEST_F(GridViewTest, TheFocusedGridIsDrawnInWindowColours)
{
    showActive();
    box->setFocus();
    const QPalette sys = QApplication::palette(grid);
    QSignalSpy entered(grid, &GridView::focusEntered);
    QSignalSpy left(grid, &GridView::focusLeft);
    EXPECT_EQ(grid->palette().color(QPalette::Base), sys.color(QPalette::Button));

    grid->setFocus();
    EXPECT_TRUE(grid->hasGridFocus());
    EXPECT_FALSE(other->hasGridFocus());
    EXPECT_EQ(grid->palette().color(QPalette::Base), sys.color(QPalette::Base));
    EXPECT_EQ(other->palette().color(QPalette::Base), sys.color(QPalette::Button));
    EXPECT_FALSE(grid->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(entered.count(), 1);

    other->setFocus();
    EXPECT_FALSE(grid->hasGridFocus());
    EXPECT_TRUE(other->hasGridFocus());
    EXPECT_EQ(grid->palette().color(QPalette::Base), sys.color(QPalette::Button));
    EXPECT_EQ(left.count(), 1);

    box->setFocus();
    EXPECT_FALSE(other->hasGridFocus());
    EXPECT_EQ(entered.count(), 1);
}

TEST_F(GridViewTest, AMessageBoxOverTheWindowIsNoFocusChange)
{
    showActive();
    grid->setFocus();
    QSignalSpy entered(grid, &GridView::focusEntered);
    QSignalSpy left(grid, &GridView::focusLeft);

    QLineEdit dialog;   // a window of its own, like a message box
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.setFocus();
    EXPECT_TRUE(grid->hasGridFocus());
    dialog.close();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(grid->hasGridFocus());
    EXPECT_EQ(left.count(), 0);
    EXPECT_EQ(entered.count(), 0);
}

TEST_F(GridViewTest, EditingACellIsStillWorkingInTheGrid)
{
    showActive();
    LoadGrid(*grid, ThisPeriod, *db);
    grid->gridModel()->setColumnReadOnly(5, false);
    grid->setFocus();
    QSignalSpy left(grid, &GridView::focusLeft);
    QSignalSpy edited(grid, &GridView::cellEdited);

    const QModelIndex amount = grid->model()->index(1, 5);
    grid->setCurrentIndex(amount);
    grid->edit(amount);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(grid->hasGridFocus());
    EXPECT_EQ(left.count(), 0);
    EXPECT_NE(qobject_cast<const NumberInputValidator *>(editor->validator()), nullptr);
    EXPECT_FALSE(editor->testAttribute(Qt::WA_InputMethodEnabled));

    // A sign is refused while typing; the number goes to the array as typed.
    editor->clear();
    QTest::keyClicks(editor, "-12.5");
    EXPECT_EQ(editor->text(), QString("12.5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();   // the editor commits once it has seen the key
    EXPECT_EQ(grid->gridModel()->text(1, 5), QString("12.5"));
    EXPECT_EQ(edited.count(), 1);
    EXPECT_TRUE(grid->hasGridFocus());
    EXPECT_EQ(left.count(), 0);
}

TEST_F(GridViewTest, CursorCanBeKeptToTheEditableColumns)
{
    showActive();
    LoadGrid(*grid, "Select 1 as INDEXH00000, 1 as 行L00500, 'A' as 商品名S02000, 15 as 納品数L00900, "
                    "'M' as サイズs00700, 1980 as 売価L00900",
             *db);
    GridModel &m = *grid->gridModel();
    m.setAllReadOnly(true);
    m.setColumnReadOnly(3, false);
    m.setColumnReadOnly(5, false);
    grid->setEditableColumnsOnly(true);
    grid->setFocus();
    grid->setCurrentCell(0, 3);

    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->currentIndex().column(), 5);
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->currentIndex().column(), 5);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->currentIndex().column(), 3);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->currentIndex().column(), 3);

    // A click on a closed column lands on the nearest open one.
    click(0, 2);
    EXPECT_EQ(grid->currentIndex().column(), 3);
}

TEST_F(GridViewTest, EmptyingTheListKeepsColumnsAndReportsNoCurrentRow)
{
    LoadGrid(*grid, ThisPeriod, *db);
    QSignalSpy rows(grid, &GridView::currentRowChanged);
    grid->gridModel()->clearRows();
    EXPECT_EQ(grid->currentRow(), -1);
    EXPECT_FALSE(grid->isColumnHidden(2));
    ASSERT_EQ(rows.count(), 1);
    EXPECT_EQ(rows.at(0), QVariantList({-1, 0}));
}

TEST(GridWidths, TwipsScaleWithTheFullWidthCharacter)
{
    struct Row {
        int twips;
        int em;
        int pixels;
    };
    // 900 twips are five full-width characters of a 9-point font.
    for (const Row &r : {Row{900, 12, 60}, Row{1200, 12, 80}, Row{500, 12, 33}, Row{900, 16, 80}, Row{0, 12, 0},
                         Row{1500, 13, 108}}) {
        SCOPED_TRACE(r.twips);
        EXPECT_EQ(GridView::pixelsForTwips(r.twips, r.em), r.pixels);
    }
}

} // namespace
