#pragma once
// The one application connection on AppFolder/data.db with
// AppFolder/common.db attached.

#include "store/Database.h"

#include <QString>

// The one application connection; null until OpenDatabase(true) succeeds.
Database *AppConnection();
// The connection, or DbError 91 when none is open.
Database &RequireConnection();

// Opens (true) or closes (false) the application connection. Returns 0, or
// the number of the error that kept it from opening (no connection is then
// open); closing when nothing is open returns 0. Nothing is shown: the
// caller reports a failure, with dataAccessErrorText as the box's text.
int OpenDatabase(bool open);

// Makes every table of common.db reachable by its bare name (attaches the
// file anew, so a moved data folder always points at its own copy).
void RelinkCommonTables(Database &db);

// The text of the common data-access error box for error `number`.
QString dataAccessErrorText(int number);
