#pragma once
// Filling a list grid from a query whose columns follow the alias
// convention (store/GridColumns.h).

#include <QString>

class Database;
class Dialogs;
class GridView;

// Runs `sql` on `db` (the application connection when omitted) with the
// hourglass showing, keeps every value as text in the grid's array, rebuilds
// the columns from the aliases and makes the first row current. A query
// with no rows leaves an empty grid with all its columns. A query error
// throws DbError to the screen and leaves the grid as it was.
void LoadGrid(GridView &grid, const QString &sql);
void LoadGrid(GridView &grid, const QString &sql, Database &db);

// The same list loaded again after a run changed what it shows (a "*" that
// goes): the row whose `keyCaption` cell matches the current one stays
// current, and no row change is announced, so the grids that follow the
// current row keep what they show.
void ReloadGrid(GridView &grid, const QString &sql, Database &db, const QString &keyCaption);

// The import list viewer's loader: the reduced letters of
// GridLoader::ImportList, every column shown and editable. When the query
// returns no row it shows "出力する明細は存在しません。" and keeps what the
// grid showed; returns whether the grid was filled.
bool LoadImportListGrid(GridView &grid, const QString &sql, Dialogs &dialogs);
bool LoadImportListGrid(GridView &grid, const QString &sql, Database &db, Dialogs &dialogs);
