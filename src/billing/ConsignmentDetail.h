#pragma once
// The consignment billing detail ("委託請求明細"): the supplier charges the
// chain a work fee for every price tag it wrote. The lines tagged on or
// before a date and not yet charged go into a workbook made from the
// template COR/SeikyuMeisai (one row per line on sheet 2, the sums per tag
// in the pivot table on sheet 1); only then are the lines marked charged
// ("S" as the last character of their change marker), so that no later run
// charges them again.

#include <QString>

#include <optional>

class Database;
class Dialogs;

struct ConsignmentResult {
    int status = 1;   // 0 written, 1 declined, stopped or nothing to charge
    QString path;     // the workbook written
    int lines = 0;    // lines written and marked charged
};

// The pivot table of the template's first sheet.
QString consignmentPivotName();

// What the date box offers: this month ("yyyyMM") followed by the closing
// day of the business settings, a one-digit day written with two digits
// and a day past the month's end (31 in February) as its last day.
QString consignmentDatePreset();

// The limit date ("yyMMdd") an answer of the date box means: the last six
// characters of "yyyyMMdd" or "yyMMdd" (20yy), when that is a day of the
// calendar. Nothing for any other answer.
std::optional<QString> consignmentLimitDate(const QString &answer);

// The main-screen command: asks whether to go on and for the billing date
// (unless `date` gives the answer, as the batch mode does), then writes the
// workbook as below.
ConsignmentResult IssueConsignmentDetail(Database &db, Dialogs &dialogs,
                                         const std::optional<QString> &date = std::nullopt);

// Gathers the lines whose tags were written on or before `limit` ("yyMMdd")
// and whose marker does not end in "S", writes them into
// Write_Path/SeikyuMeisai/BDyyyyMMdd_hhmmss.xlsx and marks them charged.
// Nothing gathered: says so, writes nothing. A line that cannot be charged
// (a tag kind without a fee in the tag-kind master, a quantity that is no
// number) stops the run before anything is written. Errors throw DbError;
// a failure leaves no workbook under the final name and no line marked.
ConsignmentResult writeConsignmentDetail(Database &db, Dialogs &dialogs, const QString &limit);
