// After a box or a screen closes, the window that opened it is active again
// and the control that had the keyboard has it again.

#include "GridTestApp.h"

#include "ui/FocusReturn.h"
#include "ui/QtDialogs.h"

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

#include <gtest/gtest.h>

namespace {

// Answers every box that comes up over `opener` with Escape, as the
// operator does, so no test waits on a box.
class EscapeEveryBox {
public:
    explicit EscapeEveryBox(const QWidget *opener)
    {
        QObject::connect(&timer_, &QTimer::timeout, [opener, this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal != opener && modal->isVisible()) {
                ++answered_;
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        });
        timer_.start(20);
    }
    int answered() const { return answered_; }

private:
    QTimer timer_;
    int answered_ = 0;
};

struct BoxCase {
    const char *name;
    std::function<void(Dialogs &)> open;
};

const BoxCase Boxes[] = {
    {"question", [](Dialogs &d) { d.confirm(QStringLiteral("印刷しますか？")); }},
    {"message", [](Dialogs &d) { d.info(QStringLiteral("請求処理が終了しました。")); }},
    {"input", [](Dialogs &d) { d.input(QStringLiteral("枚数"), QString(), QStringLiteral("1")); }},
    {"open_file", [](Dialogs &d) { d.openFile(QStringLiteral("開く"), QDir::tempPath(), QString()); }},
    {"save_file", [](Dialogs &d) { d.saveFile(QStringLiteral("保存"), QDir::tempPath(), QString()); }},
    {"folder", [](Dialogs &d) { d.chooseFolder(QStringLiteral("フォルダ"), QDir::tempPath()); }},
};

class FocusReturnTest : public WidgetTest {
protected:
    // A window with two boxes, the second one worked in.
    static void build(QWidget &window, QLineEdit *&worked)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(new QLineEdit);
        layout->addWidget(worked = new QLineEdit);
        window.resize(320, 120);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        worked->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), worked);
    }
    // The activation is a request to the window system, answered through the
    // event loop as the operator's next key would be: wait for it, bounded.
    // Nothing else would activate the window again.
    static bool activeAgain(QWidget &window)
    {
        return QTest::qWaitFor([&window] { return QApplication::activeWindow() == &window; }, 2000);
    }
};

TEST_F(FocusReturnTest, EveryBoxGivesTheKeyboardBackToItsWindow)
{
    QWidget window;
    QLineEdit *worked = nullptr;
    build(window, worked);
    QtDialogs dialogs(&window);
    for (const BoxCase &c : Boxes) {
        SCOPED_TRACE(c.name);
        EscapeEveryBox escape(&window);
        c.open(dialogs);
        EXPECT_EQ(escape.answered(), 1);
        EXPECT_TRUE(activeAgain(window));
        EXPECT_EQ(QApplication::focusWidget(), worked);
    }
}

TEST_F(FocusReturnTest, ABoxOverAModalScreenGivesTheKeyboardBackToTheScreen)
{
    QWidget main;
    QLineEdit *mainBox = nullptr;
    build(main, mainBox);
    QDialog screen(&main);
    screen.setWindowModality(Qt::ApplicationModal);
    auto *layout = new QVBoxLayout(&screen);
    layout->addWidget(new QLineEdit);
    auto *worked = new QLineEdit;
    layout->addWidget(worked);
    screen.open();
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    worked->setFocus();

    QtDialogs dialogs(&main);
    EscapeEveryBox escape(&screen);
    dialogs.confirm(QStringLiteral("印刷しますか？"));
    EXPECT_EQ(escape.answered(), 1);
    EXPECT_TRUE(activeAgain(screen));
    EXPECT_EQ(QApplication::focusWidget(), worked);
    screen.reject();
}

TEST_F(FocusReturnTest, AClosedScreenGivesTheKeyboardBackToItsOpener)
{
    QWidget main;
    QLineEdit *worked = nullptr;
    build(main, worked);
    QDialog screen(&main);
    screen.setLayout(new QVBoxLayout);
    screen.layout()->addWidget(new QLineEdit);
    QTimer::singleShot(0, &screen, [&screen] {
        screen.activateWindow();
        QTest::keyClick(&screen, Qt::Key_Escape);
    });
    EXPECT_EQ(execReturningFocus(screen), int(QDialog::Rejected));
    EXPECT_TRUE(activeAgain(main));
    EXPECT_EQ(QApplication::focusWidget(), worked);
}

} // namespace
