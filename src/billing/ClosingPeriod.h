#pragma once
// The closing calculation: fixes the period of the next billing run and
// gathers every unbilled slip of an ordinary order into TBL_SEM_B, ticking
// those issued and delivered within the period. It can be repeated until
// the run is billed; each calculation rebuilds the working table, so ticks
// changed since are lost.
//
// The period lives in the condition values SHIME_BI_J (from) and
// SHIME_BI_I (to), stored as the operator typed them; a period is open
// while both hold a value.

#include <QString>

class Database;
class Dialogs;

struct ClosingPeriod {
    QString from;
    QString to;
    bool isOpen() const { return !from.isEmpty() && !to.isEmpty(); }
};

// The period stored in the condition values (empty texts when none is open).
ClosingPeriod storedClosingPeriod(Database &db);

// What the closing-date entry proposes. From: the open period's start; else
// the day after the last billing date; else twelve months before today.
// To: the open period's end; else this month's closing day (`closingDay`
// of the business settings; an empty setting gives day 00, which the check
// refuses, and a day past the month's end gives the month's last day), or,
// when that is before the proposed start, the first later closing day that
// is not: the proposal never ends before it begins.
ClosingPeriod proposeClosingPeriod(Database &db, const QString &closingDay);

// The box the operator has to correct after a refusal.
enum class ClosingField { None, From, To };

struct ClosingResult {
    int status = 1;                     // 0 calculated, 1 refused or declined
    ClosingField focus = ClosingField::None;
    int gathered = 0;                   // slips in TBL_SEM_B afterwards
    int chosen = 0;                     // of them ticked as within the period
};

// What a calculation did, as its completion message says it and the batch
// mode prints it: the period, the slips gathered and those ticked.
QString closingReport(const QString &fromText, const QString &toText, const ClosingResult &result);

// Checks both dates (each message through `dialogs`), asks, runs the
// calculation and reports it (closingReport). The working table, the period and the cleared re-billing
// ticks are written in one transaction: a database failure throws DbError
// and leaves everything as it was.
ClosingResult runClosing(Database &db, Dialogs &dialogs, const QString &fromText, const QString &toText);
