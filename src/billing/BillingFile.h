#pragma once
// The billing data file the supplier sends to the chain: records of 64
// characters ending CR LF, in code page 932, grouped per trading partner.
// Each group is a header (H), one detail (B) per slip and a trailer (T)
// with the group's slip count and amount total; the sequence number runs
// across the whole file. The receiving side reads fixed positions, so
// every field is cut or padded to its width: texts on the left, padded
// with blanks and cut on bytes; numbers padded with zeros on the left,
// keeping their rightmost digits when too long.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

class Database;
class Dialogs;
struct BillingSettings;

// One slip as billed.
struct BillingSlip {
    QString partner;       // OMTRCD
    QString deliveryDate;  // OMNKDT, six digits as stored
    QString store;         // OMMSCD
    QString slipKind;      // OMDNCD
    QString slipNumber;    // OMDNNO
    QString group;         // OMGNCD
    QVariant amount;       // the slip's amount in yen; Null counts as 0
};

// The period and creation date the headers carry, each "yyMMdd".
struct BillingFileDates {
    QString created;
    QString from;
    QString to;
};

// The file's bytes for slips already ordered by partner, delivery date and
// slip number. Throws DbError 13 for an amount that is not a whole number.
QByteArray billingFileBytes(const QList<BillingSlip> &slips, const BillingFileDates &dates);

// Results of WriteBillingFile besides an error number.
namespace BillingFileResult {
constexpr int Written = 0;
constexpr int NoData = 1;
constexpr int Cancelled = -1;
} // namespace BillingFileResult

struct BillingFileOutcome {
    int result = BillingFileResult::NoData;
    QString path;          // the file written (result Written)
};

// Writes the billing file of a new run (run 0: the ticked slips of
// TBL_SEM_B and the ticked carried-over slips of TBL_SEZ_B, with the open
// period) or again of recorded run `run` (its slips and stored period).
// The save dialog proposes Write_File_Name + "yyMMddhhmmss" + ".txt" in
// Write_Path. The file is written under a temporary name beside the chosen
// one and takes that name only when complete, so a failure never leaves a
// partial file where the operator expects the billing file. Every message
// goes through `dialogs`; the result is Written, NoData (nothing to write,
// or no run `run`), Cancelled (save dialog) or the number of the error
// whose description was shown. Nothing in the database changes.
BillingFileOutcome WriteBillingFile(Database &db, Dialogs &dialogs, const BillingSettings &settings, qint32 run);

// "yyMMdd" of a period date as the operator typed it ("2024/05/21");
// DbError 13 when the text is no date.
QString periodDate(const QString &typed);
