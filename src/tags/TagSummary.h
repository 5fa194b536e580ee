#pragma once
// The tag summary of one import batch in TBL_HUDA: per tag kind and code
// (and per PB tag type) the number of tags, one row for the lines already
// written ("出力済み") and one for those still to write (""). The table
// holds one batch at a time.

#include <QString>

class Database;

// Empties TBL_HUDA and fills it for batch `batch`. Nothing is caught: a
// database error (a PB key that is not a number) reaches the caller with
// the rows of the statements that had already run.
void BuildTagSummary(Database &db, qint32 batch);

// ORDER BY terms that read TBL_HUDA in the order BuildTagSummary fills it:
// ordinary kinds before PB kinds, lines already written before those still
// to write, then batch, kind, code and tag name with no name first. The
// table has no key of its own that keeps that order.
QString TagSummaryOrder();
