#pragma once
// What a billing data file holds, read back before it is sent to the
// chain: every record cut by the file's own layout (BillingLayout), the
// slips in a table, and each trading partner's trailer checked against the
// slips before it (records, slips, amount total), as is the sequence
// number. Whatever does not agree is listed in plain words, one line each;
// the file itself is never changed.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct BillingViewSlip {
    int line = 0;          // 1-based line of the file
    QString partner;
    QString slipNumber;    // as written, zeros included
    QString deliveryDate;  // "yyMMdd" as written
    QString store;
    qint64 amount = 0;
};

struct BillingViewGroup {
    QString partner;
    int headerLine = 0;
    int slips = 0;          // detail records read
    qint64 total = 0;       // their amounts added up
    bool hasTrailer = false;
    int trailerRecords = 0; // what the trailer says
    int trailerSlips = 0;
    qint64 trailerTotal = 0;
    // The trailer agrees with the records before it.
    bool agrees() const
    {
        return hasTrailer && trailerRecords == slips + 2 && trailerSlips == slips && trailerTotal == total;
    }
};

struct BillingFileView {
    QString created, from, to;    // of the first header, "yyMMdd"
    QList<BillingViewSlip> slips;
    QList<BillingViewGroup> groups;
    QStringList problems;         // "3 行目: ..." in file order
    qint64 total = 0;             // every slip's amount

    bool ok() const { return problems.isEmpty(); }
};

// The file's bytes decoded; never throws.
BillingFileView decodeBillingFile(const QByteArray &bytes);

// The file at `path`; DbError 53 when it is missing, 75 when it cannot be
// read.
BillingFileView readBillingFileView(const QString &path);

// "17,500": amounts as the viewer and the batch command show them.
QString yenText(qint64 amount);

// The table the viewer and the batch command show: captions, then one row
// per slip in file order.
QStringList billingViewCaptions();
QList<QStringList> billingViewRows(const BillingFileView &view);
// One line per trading partner (its slips and total, and whether its
// trailer agrees) and the file's total.
QStringList billingViewSummary(const BillingFileView &view);
