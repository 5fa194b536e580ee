// Column widths: the alias gives the width a column opens with, but no
// column is narrower than its caption or the values it shows, so nothing
// is cut off while the grid has room.

#include "GridTestApp.h"

#include "ui/GridView.h"
#include "ui/LoadGrid.h"
#include "support/TempDataFolder.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// What a cell needs to be drawn whole: its delegate's own size hint, the
// measure the view itself would fit a column to.
int cellNeeds(const GridView &grid, int row, int column)
{
    QStyleOptionViewItem option;
    option.initFrom(&grid);
    option.font = grid.font();
    option.fontMetrics = grid.fontMetrics();
    option.widget = &grid;
    option.features |= QStyleOptionViewItem::HasDisplay;
    QAbstractItemDelegate *d = grid.itemDelegateForColumn(column);
    if (!d)
        d = grid.itemDelegate();
    return d->sizeHint(option, grid.model()->index(row, column)).width();
}

struct WidthCase {
    const char *name;
    const char *sql;
    const char *caption;   // the column looked at
    bool aliasWidth;       // the content fits the alias: the column keeps it
};

class GridWidth : public WidgetTest, public ::testing::WithParamInterface<WidthCase> {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        window.resize(1270, 400);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(grid = new GridView);
    }
    TempDataFolder folder;
    Database *db = nullptr;
    QWidget window;
    GridView *grid = nullptr;
};

TEST_P(GridWidth, ColumnFitsItsCaptionAndEveryValue)
{
    const WidthCase &c = GetParam();
    window.show();
    LoadGrid(*grid, QString::fromUtf8(c.sql), *db);
    const int column = grid->columnOf(QString::fromUtf8(c.caption));
    ASSERT_GE(column, 0);
    const int alias = grid->pixelsForTwips(grid->gridModel()->column(column).width);
    const int width = grid->columnWidth(column);
    EXPECT_GE(width, alias);
    EXPECT_GE(width, grid->horizontalHeader()->sectionSizeHint(column)) << "caption cut";
    for (int row = 0; row < grid->gridModel()->rowCount(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_GE(width, cellNeeds(*grid, row, column)) << "value cut";
    }
    if (c.aliasWidth)
        EXPECT_EQ(width, alias);
}

// The columns the month-end walk found cut on a 1280-wide window, and
// columns whose alias is wide enough.
INSTANTIATE_TEST_SUITE_P(
    Cases, GridWidth,
    ::testing::Values(
        WidthCase{"caption_wider_than_alias", "Select '*' as 未発行s00500, '12' as 明細件数L00800", "未発行", false},
        WidthCase{"number_caption_wider_than_alias", "Select '*' as 未発行s00500, '12' as 明細件数L00800", "明細件数",
                  false},
        WidthCase{"note_written", "Select '' as 備考s00300 Union All Select '出力済み'", "備考", false},
        WidthCase{"amount_with_separators", "Select 1234567 as 金額L00500", "金額", false},
        WidthCase{"date_column", "Select '240520' as 出力日D00500", "出力日", false},
        WidthCase{"button_with_a_long_number", "Select '1234567890' as 受注NoB00600", "受注No", false},
        WidthCase{"place_name", "Select '東日本値札センター' as 作成場所s00900", "作成場所", false},
        WidthCase{"wide_alias_kept", "Select '12' as 管理NoB01500, 'A' as 名S02000", "管理No", true},
        WidthCase{"wide_text_alias_kept", "Select '12' as 管理NoB01500, 'A' as 名S02000", "名", true}),
    [](const auto &info) { return std::string(info.param.name); });

class GridWidthLimits : public GridWidth {};

TEST_F(GridWidthLimits, AVeryLongValueStopsShortOfPushingTheOthersOut)
{
    window.show();
    LoadGrid(*grid, QStringLiteral("Select '%1' as 商品名S01900, 'x' as 色S00900").arg(QString(300, QChar(0x3042))), *db);
    const int name = grid->columnOf(QStringLiteral("商品名"));
    EXPECT_GT(grid->columnWidth(name), grid->pixelsForTwips(1900));
    EXPECT_LT(grid->columnWidth(name), cellNeeds(*grid, 0, name));   // elided beyond the limit
    EXPECT_LT(grid->columnWidth(name), 1270 / 2);
}

TEST_F(GridWidthLimits, ACellStampedLaterWidensItsColumn)
{
    window.show();
    LoadGrid(*grid, QStringLiteral("Select '' as 備考s00300, '1' as 管理NoB00900"), *db);
    const int note = grid->columnOf(QStringLiteral("備考"));
    grid->gridModel()->setText(0, note, QStringLiteral("出力済み（再出力）"));
    EXPECT_GE(grid->columnWidth(note), cellNeeds(*grid, 0, note));
    grid->gridModel()->appendRow({QStringLiteral("出力済み（再出力・二回目）"), QStringLiteral("2")});
    EXPECT_GE(grid->columnWidth(note), cellNeeds(*grid, 1, note));
}

} // namespace
