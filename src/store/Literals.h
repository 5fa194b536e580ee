#pragma once
// SQL literals built from values, and the Null-to-default helper.

#include <QString>
#include <QVariant>

// A value as an SQL text literal followed by "," (comma) or " ".
// Without alwaysQuote, empty text gives Null and the text '' passes as it is.
// A value holding a NUL character throws DbError 5: the engine stops reading
// the statement at a NUL, so the literal could not stand. `source` names
// where the value came from (a settings key, a file field) for the message.
QString SqlText(const QVariant &value, bool comma = false, bool alwaysQuote = false,
                const QString &source = QString());
// A value as an SQL number literal followed by "," or " "; "True"/"False"
// give -1/0, empty or non-numeric text gives Null.
QString SqlNumber(const QVariant &value, bool comma = false);
// `value`, or `def` (empty text when `def` is Null) when value is Null or empty text.
QVariant NzValue(const QVariant &value, const QVariant &def = QVariant());
