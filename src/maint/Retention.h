#pragma once
// Deletion of data past its retention period: import batches older than the
// order-data period, billing runs older than the billing period, and PB
// master rows whose sales ended before the PB period. The lists come with
// ticks; what stays ticked is deleted in one transaction, after a backup.

#include "store/GridColumns.h"

#include <QDate>
#include <QString>

class Database;
class Dialogs;

namespace Retention {

// The three retention boxes as typed (months).
struct Periods {
    QString orders;    // 発注データ読込み後 ... ヶ月保存 (HaDATA_SAVE)
    QString billing;   // 請求データ、請求日後 ... ヶ月保存 (SeDATA_SAVE)
    QString pb;        // PBマスタデータ、販売終了日後 ... ヶ月保存 (PBDATA_SAVE)
};

// The three lists as their grids show them; the first column of each is the
// tick ("CK", "-1" or "0").
struct Lists {
    GridData orders;
    GridData billing;
    GridData pb;
};

// Calendar months back from `today`, clamped to the month's last day
// (31 March minus one month is 28 or 29 February).
QDate cutoffDate(const QDate &today, int months);

// The three list statements for the given cutoffs ("yyMMdd", "yyMMdd",
// "yyyyMMdd").
QString ordersSql(const QString &cutoff);
QString billingSql(const QString &cutoff);
QString pbSql(const QString &cutoff);

// Checks the boxes (an empty box, then a value outside 1 to 24, each with
// its message) and loads the lists. Nothing when a box is wrong.
std::optional<Lists> search(Database &db, Dialogs &dialogs, const Periods &periods, const QDate &today);

struct DeleteResult {
    int status = 0;                    // 0 done, 1 declined or nothing listed, else the error number
    bool compactionRequested = false;  // set after a run and after a declined question
    int batches = 0;                   // import batches deleted
    int billingRuns = 0;               // billing runs deleted
    int pbRows = 0;                    // PB master rows deleted
};

// The completion message of a run: the fixed first line, then what went
// from each list.
QString deletedReport(const DeleteResult &result);

// Deletes every ticked row of the three lists after the question (Cancel
// preselected) and a backup: batches with their slips, lines and flags,
// billing runs with their slips and lines, PB master rows by their key.
// All in one transaction; a failure deletes nothing and shows its number.
// A backup that cannot be made stops before anything is deleted. When all
// three lists are empty it only says there is nothing to delete: no
// question, no backup, no compaction.
DeleteResult deleteTicked(Database &db, Dialogs &dialogs, const Lists &lists, int backupKeep);

// Carries the operator's ticks from the lists shown into the lists of a new
// search of the same periods: a row still listed keeps its tick, a new row
// keeps the tick its search gave it.
void keepTicks(Lists &fresh, const Lists &shown);

} // namespace Retention
