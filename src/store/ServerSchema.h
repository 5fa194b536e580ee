#pragma once
// The program's tables on a PostgreSQL server, from the same declaration
// and the same default rows as a new data folder's files. The working
// tables and the shared masters live in one schema of one database; names
// are created unquoted, so that the statements' bare names (which the
// server folds to lower case) find them.

#include <QString>

class PgConnection;

namespace ServerSchema {

// Creates what is missing, in one transaction: on an empty schema every
// table and index, the server functions and the default rows; on one made
// by an earlier version the tables, columns and indexes added since. A
// schema made by a newer version of the program is refused (DbError 20005)
// and left as it is.
void ensure(PgConnection &db);

// The version the schema records, 0 when it holds none.
int version(PgConnection &db);

// CREATE TABLE text of `table` for the server.
QString createSql(const QString &table);

} // namespace ServerSchema
