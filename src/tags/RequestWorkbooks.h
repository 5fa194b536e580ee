#pragma once
// Tag-issue request confirmations: per import batch, trading partner,
// tag-making place and delivery destination (a group) one workbook from the
// template COR/TOOCS listing the group's tagged lines, and a request number
// from the "JNO" series on the group's slip headers (SEIKYU_FLG). A group
// that has a number keeps it when its workbook is made again.

#include "tags/TagSettings.h"

#include <QList>
#include <QString>

class Database;

struct RequestWorkbook {
    QString request;   // the group's request number
    QString path;      // the workbook written
    int slips = 0;     // slip headers of the group, all carrying the number now
};

namespace RequestWorkbooks {

// The batches, "*" where slips have no request number yet.
QString batchListSql();
// A batch's trading partners with their number of delivery destinations.
QString partnerListSql(const QString &batch);

// Makes the workbooks of every group of `batch`, or of one partner's
// groups. A group without tagged lines makes none and draws no number.
// Errors throw DbError; workbooks made before stay made.
QList<RequestWorkbook> makeWorkbooks(Database &db, const TagSettings &settings, qint32 batch,
                                     const QString &partner = QString());

// The text as half-width characters: full-width letters, digits, signs,
// blanks and katakana (voiced marks apart) become their half-width forms.
QString toHalfWidth(const QString &text);
// `name` fit for a file name on Windows and Linux: \ / : * ? " < > | and
// control characters become "_".
QString safeFileName(const QString &name);

} // namespace RequestWorkbooks
