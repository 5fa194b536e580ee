#pragma once
// Correcting the delivered quantity (and, for tag-issue requests, the
// selling price) of one slip line.

#include <QString>
#include <QtGlobal>

class Database;
class Dialogs;
class GridData;

// Rewrites ONSURY, ONBTNK, ONGENJ, ONBAIJ of line `indexNoBd` for
// `tenths` tenths of a piece (the chain's files carry half pieces: 17.5
// pieces are 175) at `price` yen (0 keeps the current price), and sets the
// change marker to "corrected". The cost amount is the cost unit price
// (hundredths of a yen) times the pieces, truncated to whole yen; the
// selling amount is rounded to whole yen, halves to the even number.
// Returns 0, 6 when a value does not fit its field or an amount does not
// fit 32 bits, 13 when a stored price is not a number, or the engine's
// error number. Runs inside the caller's transaction and does not commit;
// on an error nothing was written.
qint32 UpdateDeliveredQuantity(Database &db, qint32 indexNoBd, qint32 tenths, qint32 price);

// A typed text as a 32-bit integer the way the old engine converted it:
// halves to the even number. 0, or 13 for a text that is no number (empty
// included), 6 beyond 32 bits.
int WholeNumber(const QString &text, qint32 &value);

// What a typed delivered quantity means.
enum class QuantityEntry { Ok, NotANumber, TooLarge, Negative, TooManyDecimals };

// A typed quantity in pieces ("17.5", "１２", "3") as tenths of a piece.
// At most one decimal counts ("2.50" is 25 tenths, "2.55" is refused).
QuantityEntry QuantityTenths(const QString &text, qint32 &tenths);

struct CorrectionResult {
    enum Status {
        Saved,      // every row written
        Refused,    // a value the operator typed is refused; `message` says why
        Declined,   // the operator declined a delivery above the order
        Failed,     // an error stopped it; `error` is its number
    };
    Status status = Saved;
    int error = 0;          // 6 or 13 for refused numbers, the engine's number when it failed
    QString message;        // what the operator is told (Refused and Failed)
    int row = -1;           // the row that stopped it
    int column = -1;        // the cell that stopped it
};

// The question asked before a delivery above the ordered quantity is saved.
QString OverOrderQuestion();

// Saves the correction shown in `rows` (the correction list: INDEXNOBD in
// `keyColumn`, pieces in `quantityColumn`, and in request mode the price in
// `priceColumn`, -1 in slip mode): every row in order, in one transaction,
// all or nothing. Every value is checked before anything is written; when a
// line delivers more than was ordered, `dialogs` asks once (Cancel
// preselected) and a declined question saves nothing.
CorrectionResult SaveCorrection(Database &db, Dialogs &dialogs, const GridData &rows, int keyColumn,
                                int quantityColumn, int priceColumn);

// The correction lists: the lines of one slip (slip mode), or of one order
// within one tag-issue request (request mode), with the ordered and the
// delivered pieces.
QString SlipCorrectionSql(const QString &slipNo);
QString RequestCorrectionSql(const QString &orderNo, const QString &requestNo);
