#include "ui/LoadGrid.h"

#include "ui/GridView.h"
#include "ui/InputHelpers.h"
#include "store/Connection.h"
#include "store/Dialogs.h"

#include <QSignalBlocker>

namespace {

void present(GridView &grid, GridData data)
{
    grid.gridModel()->setGridData(std::move(data));
    if (grid.gridModel()->rowCount() > 0)
        grid.setCurrentRow(0);
    grid.viewport()->update();
}

} // namespace

void LoadGrid(GridView &grid, const QString &sql)
{
    LoadGrid(grid, sql, RequireConnection());
}

void LoadGrid(GridView &grid, const QString &sql, Database &db)
{
    BusyCursor busy;
    present(grid, loadGridData(db, sql, GridLoader::Standard));
}

void ReloadGrid(GridView &grid, const QString &sql, Database &db, const QString &keyCaption)
{
    const QString current = grid.columnOf(keyCaption) >= 0 ? grid.currentText(keyCaption) : QString();
    const int column = grid.currentIndex().isValid() ? grid.currentIndex().column() : -1;
    const QSignalBlocker quiet(grid);
    LoadGrid(grid, sql, db);
    const int key = grid.columnOf(keyCaption);
    if (key < 0)
        return;
    for (int row = 0; row < grid.gridModel()->rowCount(); ++row)
        if (grid.gridModel()->text(row, key) == current) {
            if (column >= 0 && column < grid.gridModel()->columnCount())
                grid.setCurrentCell(row, column);
            else
                grid.setCurrentRow(row);
            break;
        }
}

bool LoadImportListGrid(GridView &grid, const QString &sql, Dialogs &dialogs)
{
    return LoadImportListGrid(grid, sql, RequireConnection(), dialogs);
}

bool LoadImportListGrid(GridView &grid, const QString &sql, Database &db, Dialogs &dialogs)
{
    GridData data;
    {
        BusyCursor busy;
        data = loadGridData(db, sql, GridLoader::ImportList);
    }
    if (data.rowCount() == 0) {
        dialogs.message(QStringLiteral("出力する明細は存在しません。"), QStringLiteral("出力明細無し"),
                        MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return false;
    }
    present(grid, std::move(data));
    return true;
}
