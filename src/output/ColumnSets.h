#pragma once
// The named column sets of custom output: for each set the ordered list of
// (table, column) pairs picked from the catalogue of offered tables.
//
//   MST_TBL_LISTH  the offered tables, in the order of TBL_LV
//   MST_TBL_LIST   the columns of each offered table, in the order of COL_NO
//   MST_SET_NAME   the sets (SET_DB_NAME is the key, SET_NAME is shown)
//   MST_COL_SET    the members of each set; Gyou is the 0-based position

#include <QList>
#include <QString>

class Database;

struct ColumnSetName {
    QString dbName;
    QString name;
};

struct OfferedTable {
    QString dbName;
    QString name;
};

struct ColumnSetMember {
    QString table;
    QString column;
    QString caption;   // empty when the column left the catalogue
};

// Every set, in the order the table returns them; any number of them.
QList<ColumnSetName> columnSetNames(Database &db);
// The offered tables by TBL_LV.
QList<OfferedTable> offeredTables(Database &db);

// The grid statements of the editor (captions and widths by the alias
// convention). The catalogue of one table: table (hidden), column name,
// caption, the two calculation texts (hidden), remark.
QString columnCatalogueSql(const QString &table);
// The members of one set in order: table (hidden), column name, caption,
// remark. A member whose column is no longer in the catalogue still shows,
// with an empty caption.
QString columnSetSql(const QString &set);
namespace ColumnSetGrid {
constexpr int Table = 0;
constexpr int Column = 1;
constexpr int Caption = 2;
constexpr int Width = 4;   // columns of a set grid row
} // namespace ColumnSetGrid

// The members of `set` in order, read with columnSetSql.
QList<ColumnSetMember> columnSetMembers(Database &db, const QString &set);

// Replaces the members of `set` with `members` in this order (positions 0,
// 1, ...), all or nothing. An empty list leaves the set without members.
void saveColumnSet(Database &db, const QString &set, const QList<ColumnSetMember> &members);

// Creating, renaming and removing sets. A name is refused when it is empty
// (blanks only) or already the name of another set: the custom export
// offers sets by name, so two of one name could not be told apart. Each
// change is one transaction, the check of the name included.
struct ColumnSetChange {
    bool done = false;
    QString refusal;      // why the name was refused (done false)
    ColumnSetName set;    // the set as it now stands (done true)
};

// The reason `name` cannot name a set other than `exceptKey`; empty when it can.
QString columnSetNameRefusal(Database &db, const QString &name, const QString &exceptKey = QString());
// A new set without members, under a key of its own ("SET001", ...).
ColumnSetChange createColumnSet(Database &db, const QString &name);
ColumnSetChange renameColumnSet(Database &db, const QString &key, const QString &name);
// The set and its members.
void removeColumnSet(Database &db, const QString &key);
