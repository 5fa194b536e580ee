#pragma once
// The data access helpers every screen and operation uses: the one
// application connection, numbering, condition values, SQL literals and a
// few value helpers.

#include "store/Database.h"

#include <QString>
#include <QVariant>

class Dialogs;

// The one application connection; null until OpenDatabase(true) succeeds.
Database *AppConnection();
// The connection, or DbError 91 when none is open.
Database &RequireConnection();

// Opens (true) or closes (false) the application connection on
// AppFolder/data.db with AppFolder/common.db attached. A failure shows the
// common data-access error box and returns its number; closing when nothing
// is open returns 0 silently.
int OpenDatabase(bool open, Dialogs &dialogs);

// Makes every table of common.db reachable by its bare name (attaches the
// file anew, so a moved data folder always points at its own copy).
void RelinkCommonTables(Database &db);

// The next number of a series in MST_IDX: returns IVal and stores IVal + 1,
// or IStart once IEnd is reached. Nests inside a caller's transaction.
qint32 GetNextIndex(Database &db, const QString &key);

// Condition values in MST_JYOUKEN (empty text when the key has no row).
QString GetJoukenValue(Database &db, const QString &key);
void SetJoukenValue(Database &db, const QString &key, const QString &value);

// A value as an SQL text literal followed by "," (comma) or " ".
// Without alwaysQuote, empty text gives Null and the text '' passes as it is.
QString SqlText(const QVariant &value, bool comma = false, bool alwaysQuote = false);
// A value as an SQL number literal followed by "," or " "; "True"/"False"
// give -1/0, empty or non-numeric text gives Null.
QString SqlNumber(const QVariant &value, bool comma = false);
// `value`, or `def` (empty text when `def` is Null) when value is Null or empty text.
QVariant NzValue(const QVariant &value, const QVariant &def = QVariant());

// The shared read position of CutField (1-based), reset to 1 per record.
extern qint32 FieldReadPosition;
// `len` bytes of the CP932 form of `line` from byte `pos` (1-based), decoded,
// trailing blanks removed; advances FieldReadPosition by `len`.
QString CutField(const QString &line, qint32 pos, qint32 len);

// Rounds `value` to `digits` decimals: mode 1 rounds up from a tenth of a
// unit away from zero, mode 2 truncates, other modes round half away from
// zero. An arithmetic failure shows "金額計算中にエラーを検出" and gives 0.
double RoundAmount(double value, int digits, int mode, Dialogs *dialogs = nullptr);

// A special folder by the old shell number (16: the desktop); empty when unknown.
QString GetSpecialFolder(int csidl);

// The folder chooser; empty text on cancel.
QString BrowseFolder(const QString &caption, Dialogs &dialogs, const QString &startFolder = QString());

// The text of the common data-access error box for error `number`.
QString dataAccessErrorText(int number);
