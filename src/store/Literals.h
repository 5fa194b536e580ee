#pragma once
// SQL literals built from values, and the Null-to-default helper.

#include <QString>
#include <QVariant>

// A value as an SQL text literal followed by "," (comma) or " ".
// Without alwaysQuote, empty text gives Null and the text '' passes as it is.
QString SqlText(const QVariant &value, bool comma = false, bool alwaysQuote = false);
// A value as an SQL number literal followed by "," or " "; "True"/"False"
// give -1/0, empty or non-numeric text gives Null.
QString SqlNumber(const QVariant &value, bool comma = false);
// `value`, or `def` (empty text when `def` is Null) when value is Null or empty text.
QVariant NzValue(const QVariant &value, const QVariant &def = QVariant());
