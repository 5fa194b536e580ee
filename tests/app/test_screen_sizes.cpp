// Every screen opens within a 1280 × 800 display, frame and title bar
// included, and large enough for the columns of its grids.

#include "app/ScreenRegistry.h"
#include "app/Screens.h"
#include "app/frm0000_main.h"
#include "support/TempDataFolder.h"
#include "ui/GridView.h"
#include "ui/WindowSize.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The sum of the widths of a grid's shown columns.
int columnsWidth(const GridView &grid)
{
    int w = 0;
    for (int c = 0; c < grid.model()->columnCount(); ++c)
        if (!grid.isColumnHidden(c))
            w += grid.columnWidth(c);
    return w;
}

class ScreenSizes : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.prepare();
        registerScreens();
    }
    void expectFits(QWidget &w)
    {
        const QSize display(1280, 800);
        EXPECT_LE(w.width(), largestWindowSize().width());
        EXPECT_LE(w.height(), largestWindowSize().height());
        // What a window manager adds stays within the display.
        EXPECT_LE(w.width() + 10, display.width());
        EXPECT_LE(w.height() + 40, display.height());
        EXPECT_LE(w.minimumSizeHint().width(), largestWindowSize().width());
        EXPECT_LE(w.minimumSizeHint().height(), largestWindowSize().height());
    }
    TempDataFolder folder;
    ScriptedDialogs dialogs;
};

TEST_F(ScreenSizes, EveryScreenFitsTheDisplayAndItsGrids)
{
    QStringList names = ScreenRegistry::names();
    names.sort();
    ASSERT_FALSE(names.isEmpty());
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        std::unique_ptr<QDialog> screen(ScreenRegistry::create(name, nullptr, dialogs));
        ASSERT_NE(screen, nullptr);
        // The compaction window starts its work once shown; its size is fixed.
        if (name != QLatin1String("frm9900_DBCompact")) {
            screen->show();
            QTest::qWait(1);
        }
        expectFits(*screen);
        for (GridView *grid : screen->findChildren<GridView *>()) {
            if (!grid->isVisible())
                continue;
            SCOPED_TRACE(grid->objectName().toStdString());
            EXPECT_LE(columnsWidth(*grid), grid->viewport()->width()) << "columns beyond the grid";
        }
        screen->close();
    }
}

TEST_F(ScreenSizes, MainScreenFits)
{
    frm0000_main main(dialogs);
    main.show();
    main.load();
    expectFits(main);
}

} // namespace
