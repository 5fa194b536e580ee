// The main screen on the offscreen platform, driven by keys and clicks.

#include "app/ScreenRegistry.h"
#include "app/Screens.h"
#include "app/frm0000_main.h"
#include "app/frm9901_Var.h"
#include "support/TempDataFolder.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class MainScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.prepare();
        screen = std::make_unique<frm0000_main>(dialogs);
        screen->show();
        screen->load();
    }
    TempDataFolder folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<frm0000_main> screen;
};

TEST_F(MainScreen, ShowsPageZero)
{
    EXPECT_EQ(screen->titleText(), QStringLiteral("メインメニュー"));
    EXPECT_EQ(screen->entryText(0), QStringLiteral("受信データ取込"));
    EXPECT_EQ(screen->entryText(8), QStringLiteral("業務終了"));
}

TEST_F(MainScreen, KeyClickAndCommandBoxWalkThePages)
{
    QTest::keyClick(screen.get(), Qt::Key_F8);   // 保守・設定
    EXPECT_EQ(screen->titleText(), QStringLiteral("保守・設定"));
    QTest::mouseClick(screen->findChild<QLabel *>("xlabMenu_8"), Qt::LeftButton);   // 戻る
    EXPECT_EQ(screen->titleText(), QStringLiteral("メインメニュー"));
    auto *cmd = screen->findChild<QLineEdit *>("txtCmd");
    ASSERT_NE(cmd, nullptr);
    for (const char *text : {"0", "10", "1.5", "x"}) {
        SCOPED_TRACE(text);
        cmd->setText(QString::fromLatin1(text));
        QTest::keyClick(cmd, Qt::Key_Return);
        EXPECT_EQ(cmd->text(), "");
        EXPECT_EQ(screen->titleText(), QStringLiteral("メインメニュー"));
    }
    cmd->setText("7");
    QTest::keyClick(cmd, Qt::Key_Return);
    EXPECT_EQ(screen->titleText(), QStringLiteral("マスタ取込"));
    EXPECT_EQ(cmd->text(), "");
}

TEST_F(MainScreen, ScreenOpenedByNameReturnsToTheSamePage)
{
    ScreenRegistry::add("frm9901_Var", [](QWidget *parent, Dialogs &) -> QDialog * { return new frm9901_Var(parent); });
    QTest::keyClick(screen.get(), Qt::Key_F8);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            opened = w->objectName() == "frm9901_Var";
            w->reject();
        }
    });
    QTest::keyClick(screen.get(), Qt::Key_F8);   // バージョン情報
    EXPECT_TRUE(opened);
    EXPECT_EQ(screen->titleText(), QStringLiteral("保守・設定"));
}

TEST_F(MainScreen, AClosedScreenGivesTheKeyboardBackToTheMainScreen)
{
    ScreenRegistry::add("frm9901_Var", [](QWidget *parent, Dialogs &) -> QDialog * { return new frm9901_Var(parent); });
    screen->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    auto *cmd = screen->findChild<QLineEdit *>("txtCmd");
    ASSERT_NE(cmd, nullptr);
    cmd->setFocus();
    QTest::keyClick(screen.get(), Qt::Key_F8);
    QString closed;
    QTimer::singleShot(0, [&] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            closed = w->objectName();
            QTest::keyClick(w, Qt::Key_Escape);
        }
    });
    QTest::keyClick(screen.get(), Qt::Key_F8);   // バージョン情報
    EXPECT_EQ(closed, "frm9901_Var");
    // The activation comes back through the event loop, as the next key would.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == screen.get(); }, 2000));
    EXPECT_EQ(QApplication::focusWidget(), cmd);
}

TEST_F(MainScreen, UnknownScreenIsReportedAndTheScreenGoesOn)
{
    screen->openScreen("frm_nothing");
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(screen->isVisible());
}

TEST_F(MainScreen, PlannedScreenSaysItIsNotAvailableYet)
{
    screen->openScreen("frm0110_InjiList");
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Information);
}

TEST_F(MainScreen, ColumnSetEditorOpensFromTheMenu)
{
    registerScreens();
    QString opened;
    QTimer::singleShot(0, [&] {
        if (auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            opened = w->objectName();
            w->reject();
        }
    });
    screen->openScreen("frm0122_CS_Menu");
    EXPECT_EQ(opened, QStringLiteral("frm0122_CS_Menu"));
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
}

TEST_F(MainScreen, ConsignmentCommandRunsTheConsignmentDetail)
{
    dialogs.answer(MsgResult::Cancel);
    screen->loadProcedure("Jseikyu_out");
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("発行明細を出力します。\nよろしいですか？"));
}

TEST_F(MainScreen, JapaneseTextRenders)
{
    // Drawing the menu must not fall back to empty boxes: the Japanese
    // glyphs of the title cover far more pixels than a row of boxes would.
    QLabel *entry = screen->findChild<QLabel *>("xlabMenu_0");
    const QImage img = entry->grab().toImage();
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            dark += qGray(img.pixel(x, y)) < 160;
    EXPECT_GT(dark, 50);
    EXPECT_TRUE(QFontMetrics(entry->font()).inFont(QChar(u'受')));
}

TEST(VersionScreen, Label)
{
    EXPECT_EQ(frm9901_Var::versionLabel(1, 2, 15), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.2.15"));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("IPAGothic"), 10));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
