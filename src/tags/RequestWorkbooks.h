#pragma once
// Tag-issue request confirmations: per import batch, trading partner,
// tag-making place and delivery destination (a group) one workbook from the
// template COR/TOOCS listing the group's tagged lines, and a request number
// from the "JNO" series on the group's slip headers (SEIKYU_FLG). A group
// that has a number keeps it when its workbook is made again.

#include "tags/TagSettings.h"

#include <QDate>
#include <QList>
#include <QString>

class Database;

struct RequestWorkbook {
    QString request;   // the group's request number
    QString path;      // the workbook written
    int slips = 0;     // slip headers of the group, all carrying the number now
};

// A group whose workbook could not be made; it keeps no number.
struct RequestWorkbookFailure {
    QString group;         // "取引先 654321 作成場所 01 納品先 0001"
    int number = 0;        // the error that stopped it
    QString description;
};

struct RequestWorkbooksOutcome {
    QList<RequestWorkbook> made;
    QList<RequestWorkbookFailure> failed;
    // The message naming every failed group, for the operator.
    QString failureText() const;
};

namespace RequestWorkbooks {

// The batches, "*" where slips have no request number yet.
QString batchListSql();
// A batch's trading partners with their number of delivery destinations.
QString partnerListSql(const QString &batch);

// Makes the workbooks of every group of `batch`, or of one partner's
// groups. A group without tagged lines makes none and draws no number. A
// group that fails is listed in `failed` and the next group is made all
// the same; only a failure to read the groups throws DbError.
RequestWorkbooksOutcome makeWorkbooks(Database &db, const TagSettings &settings, qint32 batch,
                                      const QString &partner = QString());

// The text as half-width characters: full-width letters, digits, signs,
// blanks and katakana (voiced marks apart) become their half-width forms.
QString toHalfWidth(const QString &text);
// The workbook's file name (without folder): date, request number and
// partner always whole; the place and destination names shortened, the
// destination first, when the whole would not fit in a file name; made fit
// for both systems (store/SafeName.h).
QString workbookFileName(const QDate &today, const QString &request, const QString &partner,
                         const QString &place, const QString &destination);

} // namespace RequestWorkbooks
