#pragma once
// The completion messages of the tag jobs. The screens show them and the
// batch commands print them, so both say the same: the fixed first line,
// then what the run wrote.

#include <QList>
#include <QString>

struct RequestTagsOutcome;
struct RequestWorkbook;

namespace TagReports {

// Request confirmations: the workbooks made and their folder, the slips that
// now carry a request number and so leave ordinary billing.
QString requestWorkbooks(const QList<RequestWorkbook> &made);

// A request's tag data: files and lines written, or why nothing was.
QString requestTags(const QString &request, const RequestTagsOutcome &outcome);

} // namespace TagReports
