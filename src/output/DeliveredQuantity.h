#pragma once
// Correcting the delivered quantity (and, for tag-issue requests, the
// selling price) of one slip line.

#include <QString>
#include <QtGlobal>

class Database;
class GridData;

// Rewrites ONSURY, ONBTNK, ONGENJ, ONBAIJ of line `indexNoBd` for
// `quantity` whole pieces at `price` yen (0 keeps the current price), and
// sets the change marker to "corrected". Returns 0, 6 when a value does not
// fit its field, 13 when a stored price is not a number, or the engine's
// error number. Runs inside the caller's transaction and does not commit;
// on an error nothing was written.
qint32 UpdateDeliveredQuantity(Database &db, qint32 indexNoBd, qint32 quantity, qint32 price);

// A typed text as a 32-bit integer the way the old engine converted it:
// halves to the even number. 0, or 13 for a text that is no number (empty
// included), 6 beyond 32 bits.
int WholeNumber(const QString &text, qint32 &value);

struct CorrectionResult {
    int error = 0;          // 0 saved, else the number that stopped it
    int row = -1;           // the row that failed
    int column = -1;        // the cell that failed
};

// Saves the correction shown in `rows` (the correction list: INDEXNOBD in
// `keyColumn`, pieces in `quantityColumn`, and in request mode the price in
// `priceColumn`, -1 in slip mode): every row in order, in one transaction,
// all or nothing. Engine errors are returned as their numbers.
CorrectionResult SaveCorrection(Database &db, const GridData &rows, int keyColumn, int quantityColumn,
                                int priceColumn);

// The correction lists: the lines of one slip (slip mode), or of one order
// within one tag-issue request (request mode), with the ordered and the
// delivered pieces.
QString SlipCorrectionSql(const QString &slipNo);
QString RequestCorrectionSql(const QString &orderNo, const QString &requestNo);
