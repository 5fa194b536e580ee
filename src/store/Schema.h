#pragma once
// Every table of the system, declared once. Creation of a new database and
// upgrades of an existing one both come from this declaration: a table that
// exists in neither file is created in its home file, a column added in a
// later version is added to the table wherever it lives.

#include <QList>
#include <QString>
#include <QStringList>

class Database;

struct ColumnDef {
    QString name;
    QString type;          // TEXT, INTEGER, NUMERIC
    QString defaultValue;  // SQL literal, or empty for none
    int sinceVersion = 1;
};

struct TableDef {
    enum Home { Data, Common };
    QString name;
    Home home = Data;
    QList<ColumnDef> columns;
    QStringList primaryKey;
    QList<QStringList> indexes;
};

namespace Schema {

// The user-version number written into data.db; raise it when a table, a
// column or an index is added, and give a new column its sinceVersion.
// 2: TBL_IMP_DIGEST, and indexes for the assortment list's queries per
// order and item.
// 3: REC_NO of the staging tables, the place of a row in its file.
constexpr int Version = 3;

const QList<TableDef> &tables();
const TableDef *find(const QString &table);

// The schema name under which common.db is attached.
inline QString commonSchema()
{
    return QStringLiteral("common");
}

// Creates the tables and indexes that are missing and adds missing columns,
// then records the version. A table that the attached common.db holds is
// the shared one and is never created in data.db. Shared tables go into
// common.db only while it is being made (`newCommon`); an existing shared
// file is the other installations' too and gains no tables from us. Runs in
// one transaction.
void ensure(Database &db, bool newCommon = false);

// CREATE TABLE text for `table` in `schema`.
QString createSql(const TableDef &table, const QString &schema);

} // namespace Schema
