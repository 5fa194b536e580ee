#include "ui/FunctionKeyBar.h"
#include "GridTestApp.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace {

class FunctionKeys : public WidgetTest {};

TEST_F(FunctionKeys, KeysAndClicksActAlikeOnlyWithACaption)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *edit = new QLineEdit(&window);
    auto *bar = new FunctionKeyBar(&window);
    layout->addWidget(edit);
    layout->addWidget(bar);
    bar->listenTo(&window);
    QList<int> pressed;
    QObject::connect(bar, &FunctionKeyBar::pressed, [&](int i) { pressed << i; });
    bar->setCaption(0, "全伝票印刷");
    bar->setCaption(11, "終了");
    window.show();
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_F1);                     // the focused control does not swallow it
    QTest::keyClick(edit, Qt::Key_F2);                     // no caption: nothing
    QTest::mouseClick(window.findChild<QLabel *>("xlabFnc_11"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QLabel *>("xlabFnc_5"), Qt::LeftButton);
    EXPECT_EQ(pressed, (QList<int>{0, 11}));
    EXPECT_EQ(bar->caption(0), "全伝票印刷");
    bar->clearCaptions();
    QTest::keyClick(edit, Qt::Key_F1);
    EXPECT_EQ(pressed.size(), 2);
}

} // namespace
