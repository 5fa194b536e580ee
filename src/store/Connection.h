#pragma once
// The one application connection on AppFolder/data.db with
// AppFolder/common.db attached.

#include "store/Database.h"

#include <QString>

#include <memory>

// The one application connection; null until OpenDatabase(true) succeeds.
Database *AppConnection();
// The connection, or DbError 91 when none is open.
Database &RequireConnection();

// Opens (true) or closes (false) the application connection. Returns 0, or
// the number of the error that kept it from opening (no connection is then
// open); closing when nothing is open returns 0. Nothing is shown: the
// caller reports a failure, with dataAccessErrorText as the box's text.
int OpenDatabase(bool open);

// The text of the last failure of OpenDatabase (a server's name and reason).
QString lastOpenError();

// Conf.DAT's [Database] section: no section, or Engine=SQLite, means the
// data folder's own files; Engine=PostgreSQL a server. Throws DbError for
// an engine or schema name that cannot be used.
struct ServerSettings {
    bool server = false;
    QString connection;   // libpq connection string
    QString schema;
};
ServerSettings serverSettings();

// Opens the connection Conf.DAT names, the schema made or brought up to
// date. Throws DbError.
std::unique_ptr<Database> openConfiguredDatabase();

// Makes every table of common.db reachable by its bare name (attaches the
// file anew, so a moved data folder always points at its own copy).
void RelinkCommonTables(Database &db);

// The text of the common data-access error box for error `number`.
QString dataAccessErrorText(int number);
