#pragma once
// Tag data of tag-issue requests: the slips of a request carry its number
// (SEIKYU_FLG); its tag data is written per ordinary tag kind and code and
// per PB tag type into Write_Path/InPrintData/<request>/, with 3 % spare
// tags and the long record form, for the tag-making place. No label
// program is started; written lines are stamped.

#include "tags/TagSettings.h"

#include <QString>
#include <QStringList>

class Database;
class Dialogs;

struct RequestTagsOutcome {
    QStringList files;     // data files written, in order
    int lines = 0;         // lines written and stamped
    int failures = 0;      // kinds or types that ended with an error
    int empty = 0;         // kinds or types with nothing to write
};

namespace RequestTags {

// The requests, newest number first in text order ("9" above "10").
QString requestListSql();
// The orders of a request.
QString orderListSql(const QString &request);

// Writes the request's tag data (after the caller's question). Every
// result is reported through `dialogs` and the run goes on with the next
// kind or type whatever the result.
RequestTagsOutcome writeRequestTags(Database &db, Dialogs &dialogs, const TagSettings &settings,
                                    const QString &request);

} // namespace RequestTags
