#pragma once
// Where the server's SQL must differ from the statement text the program
// writes, and only there. Everything else is written once for both engines;
// the server's own functions (data/db/pg_functions.sql) close the gaps a
// function can close.

#include <QHash>
#include <QString>

namespace sqldialect {

// The statement for the server: each '?' parameter becomes $1, $2, ... in
// order, and JCAT(...) the server's concat(...), which skips Null as JCAT
// does and takes values of any type (a server function could only take
// texts). Quoted texts, quoted names and comments are left as they are.
// `parameters` receives the number of parameters found.
QString toServer(const QString &sql, int *parameters = nullptr);

// The server folds unquoted names to lower case, so a result column named
// "管理NoB00900" in the statement comes back as "管理nob00900". The names as
// the statement spells them, by their folded form, give the program's
// spelling back (grids take their captions and formats from these names).
QHash<QString, QString> spellings(const QString &sql);

// How the server folds an unquoted name: ASCII letters only.
QString folded(const QString &name);

} // namespace sqldialect
