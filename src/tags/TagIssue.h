#pragma once
// Issuing price tags for an import batch: the lists the tag issue screen
// shows, and the two tag runs (a whole tag kind, or one line with a count
// the operator may change). A run asks its questions, writes the tag data
// file through clsHudaPrint, starts the label program and stamps the
// written lines with today; every message goes through Dialogs.

#include "tags/TagSettings.h"

#include <QString>
#include <QStringList>

#include <optional>

class Database;
class Dialogs;

// One row of the tag summary as the screen shows it.
struct TagKindRow {
    QString batch;   // 管理No
    QString kind;    // 札種: the slip's tag kind
    QString code;    // 札区: the line's tag kind code
    QString name;    // 札名: tag name, or PB tag type
    QString count;   // 数量
    QString note;    // 備考: "出力済み" for the lines already written
    bool written() const { return !note.isEmpty(); }
};

// The PB flag of a tag kind as text: ordinary tags come from the order
// lines alone, PB tags also from the PB master.
namespace TagFlag {
inline const QString Ordinary = QStringLiteral("0");
inline const QString Pb = QStringLiteral("-1");
} // namespace TagFlag

namespace TagKind {
// The chain's PB tag kind on the slips, PB whatever the tag kind master says.
inline const QString ChainPb = QStringLiteral("4");
} // namespace TagKind

struct TagRunOutcome {
    enum Status { Done = 0, NothingDone = 1, Failed = 3 };
    Status status = NothingDone;
    int exportResult = -1;       // what the export returned, -1 when it did not run
    QStringList stamped;         // INDEXNOBD of the lines stamped
    QString dataFile;            // the tag data file written
};

namespace TagIssue {

// The batches, newest data date first, "*" where a tagged line is not written yet.
QString batchListSql();
// The summary rows of a batch in the table's order.
QString summaryListSql(const QString &batch);
// The lines of a summary row: still to write, or written when the row is.
QString lineListSql(const QString &flag, const TagKindRow &row);
// The tag data queries (columns as clsHudaPrint reads them).
QString kindTagSql(const QString &flag, const TagKindRow &row);
QString lineTagSql(const QString &flag, qint32 count, const QString &indexNoBd);

// The tag data queries of a request, over the slips carrying the request
// number whatever their output date: the lines of one ordinary tag kind and
// code, or every PB line of one PB tag type (of whichever PB kind and code).
QString requestKindTagSql(const QString &request, const QString &kind, const QString &code);
QString requestPbTagSql(const QString &request, const QString &type);
// The PB kinds and codes of a request's lines with their PB tag types, one
// row each (kind, code, type); the type is Null for lines the PB master does
// not know.
QString requestPbTypesSql(const QString &request);

// Stamps the lines written today; one transaction.
void stampWritten(Database &db, const QStringList &indexNoBd);
// The completion message of a run that wrote its file: lines and file.
QString writtenReport(const TagRunOutcome &outcome);
// The message of an export result other than success (none for 0).
void reportExportResult(Dialogs &dialogs, int result, bool oneLine);

// The PB flag of a tag kind and code; nothing when the master has no row.
std::optional<QString> pbFlag(Database &db, const QString &kind, const QString &code);

// The run for a whole summary row.
TagRunOutcome issueKind(Database &db, Dialogs &dialogs, const TagSettings &settings, const QString &flag,
                        const TagKindRow &row);
// The run for one line: `presetCount` is offered in the count box.
TagRunOutcome issueLine(Database &db, Dialogs &dialogs, const TagSettings &settings, const QString &flag,
                        const TagKindRow &row, const QString &indexNoBd, const QString &presetCount);

// The summary row a line belongs to, as the screen would have it current
// when the line is listed, with its PB flag and its number of tags.
struct LineKind {
    QString flag;
    TagKindRow row;
    QString count;
};
std::optional<LineKind> kindOfLine(Database &db, const QString &indexNoBd);

// The picture of a tag: AppFolder/Pict/<name>.jpg when that file exists,
// otherwise empty text. A name holding characters that no file name may
// hold (a separator among them) finds no picture.
QString picturePath(const QString &name);

} // namespace TagIssue
