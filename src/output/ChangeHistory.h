#pragma once
// The change-history workbook: every unreported correction, one row per
// changed value, for the chain; afterwards the corrections count as
// reported.

#include <QString>

class Database;
class Dialogs;

struct ChangeHistoryResult {
    int status = 1;        // 0 written, 1 declined or nothing to report
    QString path;          // the workbook written
    int rows = 0;          // value rows written
    int lines = 0;         // corrected lines marked reported
};

// Asks, writes AppFolder-independent output under Write_Path/ChangeHist and
// marks the reported lines. Errors (folder, template, workbook, database)
// throw DbError; the markers change only after the workbook is saved, and a
// failed run leaves no workbook under the final name.
ChangeHistoryResult writeChangeHistory(Database &db, Dialogs &dialogs);
