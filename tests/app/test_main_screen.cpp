// The main screen on the offscreen platform, driven by keys and clicks.

#include "app/ScreenRegistry.h"
#include "app/Screens.h"
#include "app/frm0000_main.h"
#include "app/frm9901_Var.h"
#include "store/Settings.h"
#include "support/TempDataFolder.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

TEST_F(MainScreen, EntryNumberThatSelectsNothingIsAnswered)
{
    auto *cmd = screen->findChild<QLineEdit *>("txtCmd");
    ASSERT_NE(cmd, nullptr);
    cmd->setText("7");   // マスタ取込: entries 1, 2 and 9 only
    QTest::keyClick(cmd, Qt::Key_Return);
    ASSERT_EQ(screen->titleText(), QStringLiteral("マスタ取込"));
    struct Case {
        const char *typed;
        const char16_t *answer;
    };
    for (const Case &c : {Case{"5", u"メニュー番号 5 はこのページにありません。"},
                          Case{"abc", u"メニュー番号は 1 から 9 の数字で入れてください。"},
                          Case{"0", u"メニュー番号は 1 から 9 の数字で入れてください。"}}) {
        SCOPED_TRACE(c.typed);
        const qsizetype before = dialogs.shown().size();
        cmd->setText(QString::fromLatin1(c.typed));
        QTest::keyClick(cmd, Qt::Key_Return);
        ASSERT_EQ(dialogs.shown().size(), before + 1);
        EXPECT_EQ(dialogs.shown().last().text, QString::fromUtf16(c.answer));
        EXPECT_EQ(cmd->text(), "");
        EXPECT_EQ(screen->titleText(), QStringLiteral("マスタ取込"));
    }
    // An empty box and an entry that exists say nothing.
    const qsizetype before = dialogs.shown().size();
    QTest::keyClick(cmd, Qt::Key_Return);
    cmd->setText("9");
    QTest::keyClick(cmd, Qt::Key_Return);
    EXPECT_EQ(screen->titleText(), QStringLiteral("メインメニュー"));
    EXPECT_EQ(dialogs.shown().size(), before);
}

// A record of `kind`, its fields blank but the tail given.
QByteArray record(char kind, const QByteArray &tail = {})
{
    return (QByteArray(1, kind) + tail).leftJustified(128, ' ') + "\r\n";
}

TEST_F(MainScreen, NewOrderFilesAreShownAndImportedOneAfterTheOther)
{
    const QString inbox = folder.file(QStringLiteral("受信"));
    ASSERT_TRUE(QDir().mkpath(inbox));
    ASSERT_TRUE(Settings::write(SettingKey::ReadPath, inbox));
    const QByteArray one = record('A') + record('B') + record('D');
    const QByteArray two = record('A') + record('B') + record('D') + record('D', "x");
    for (const auto &[name, bytes] : {std::pair{"1.txt", one}, std::pair{"2.txt", two}}) {
        QFile f(QDir(inbox).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    auto *label = screen->findChild<QLabel *>("labNewOrders");
    auto *button = screen->findChild<QPushButton *>("cmdNewOrders");
    ASSERT_NE(label, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->isVisibleTo(screen.get()));
    screen->refreshNewOrders();
    EXPECT_EQ(label->text(), QStringLiteral("新しい受信データがあります（2 件）"));
    EXPECT_TRUE(button->isVisibleTo(screen.get()));

    dialogs.answer(MsgResult::Ok).answer(MsgResult::Ok);   // each file's confirmation
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dialogs.pending(), 0u);
    QStringList confirmations;
    for (const auto &s : dialogs.shown())
        if (s.text.startsWith(QStringLiteral("以下の情報を取り込みます。")))
            confirmations << s.text;
    EXPECT_EQ(confirmations.size(), 2);
    ASSERT_FALSE(dialogs.shown().isEmpty());
    EXPECT_EQ(dialogs.shown().last().text,
              QStringLiteral("受信データの取込が終わりました。\n"
                             "取り込みました: 1.txt 管理No 1（伝票 1 枚、明細 1 行） → 取込済/1.txt\n"
                             "取り込みました: 2.txt 管理No 2（伝票 1 枚、明細 2 行） → 取込済/2.txt"));
    EXPECT_TRUE(QFileInfo::exists(QDir(inbox).filePath(QStringLiteral("取込済/1.txt"))));
    EXPECT_TRUE(QFileInfo::exists(QDir(inbox).filePath(QStringLiteral("取込済/2.txt"))));
    EXPECT_FALSE(button->isVisibleTo(screen.get()));
    EXPECT_TRUE(screen->isEnabled());
    EXPECT_EQ(RequireConnection().scalar("Select count(*) From TBL_RD_H1").toLongLong(), 2);
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
