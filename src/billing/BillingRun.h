#pragma once
// Billing a closing period: the ticked slips of TBL_SEM_B (this billing)
// and the slips of earlier runs ticked in TBL_SEZ_B for billing again
// (carried-over billing) are written into the billing file and recorded as
// one new billing run.

#include <QString>
#include <QtGlobal>

class Database;
class Dialogs;
struct BillingSettings;

// What is ticked now.
struct BillingTotals {
    qint64 currentSlips = 0;
    qint64 currentAmount = 0;
    qint64 carriedSlips = 0;
    qint64 carriedAmount = 0;
    bool isEmpty() const { return currentSlips + carriedSlips == 0; }
};

BillingTotals billingTotals(Database &db);

// The summary the amount check shows and the billing question repeats,
// lines ending CR LF.
QString billingSummary(const BillingTotals &totals);

// Records the run whose file was written: run header, copies of the slips
// and their lines (carried-over ones under the new number too), the slips'
// billed flag, the last billing date, and the period closed. Returns the
// new run number. All or nothing: its own transaction, or a savepoint of
// the caller's; throws DbError.
qint32 RecordBillingRun(Database &db, const QString &tradingPartner);

namespace SeikyuStatus {
constexpr int Billed = 0;          // file written and run recorded
constexpr int NothingDone = 1;     // no period, nothing ticked, or declined
constexpr int Checked = 2;         // the amount check showed the summary
constexpr int FileCancelled = -1;  // the save dialog was cancelled
} // namespace SeikyuStatus

struct SeikyuOutcome {
    int status = SeikyuStatus::NothingDone;  // or the number of the error that ended it
    bool asked = false;        // the billing question was answered OK (the screen then closes)
    qint32 run = 0;            // the run recorded
    QString path;              // the billing file of that run
    qint64 slips = 0;          // slips of the run (its header's count)
    qint64 amount = 0;         // and their amount
};

// The completion message of a billing run: the fixed first line, then the
// run number, the file, the slips and the amount.
QString billedReport(const SeikyuOutcome &outcome);
// The answer when nothing is ticked, with the reason.
QString nothingToBillText();

// The amount check (checkOnly) or the billing run. `periodOpen` tells
// whether a closing period was open when the operator started. Billing
// writes the file first; only then are the run recorded and TBL_SEM_B
// emptied, in one transaction. When recording fails the file is removed
// again and the operator told, so no file exists for a run that was not
// recorded.
SeikyuOutcome SeikyuKakunin(Database &db, Dialogs &dialogs, const BillingSettings &settings, bool periodOpen,
                            bool checkOnly);

// Write-through ticks of the selection screen: a slip of this billing, or
// slip `slip` of recorded run `run` for billing again. False when no such
// slip is there.
bool setCurrentTick(Database &db, qint32 slip, bool ticked);
bool setCarriedTick(Database &db, qint32 run, qint32 slip, bool ticked);

// The history of billing runs, newest first, for the selection screen's
// list and the batch mode.
QString billingHistorySql();
// The slips of recorded run `run`.
QString billingRunSlipsSql(qint32 run);
// The slips of this billing within the period (`inPeriod`) or the others.
QString currentSlipsSql(bool inPeriod);
