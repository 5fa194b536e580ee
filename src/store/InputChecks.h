#pragma once
// The small checks of the settings and entry screens. They take the text
// the operator typed; a message, where one is due, goes through Dialogs.

#include <QDate>
#include <QString>

#include <optional>

class Dialogs;

// True for empty text or a numeric text (see NumericText.h: blanks, sign,
// thousands separators, decimals, exponent, full-width forms).
bool IsNumericOrEmpty(const QString &value);

// The date a typed text means, or nothing. Accepted: year/month/day with
// "/", "-" or "." ("2024/6/21", "24-06-21"), "2024年6月21日", and month/day
// alone ("6/21", "6月21日") in the current year. A one- or two-digit year
// means 2000-2029 below 30 and 1930-1999 from 30, as the operator's
// computer always read two-digit years.
std::optional<QDate> parseDateText(const QString &text);

// True for empty text or a text that parseDateText reads as a real date.
bool IsDateOrEmpty(const QString &value);

// 0 when `text` is empty or a date; otherwise shows the date error box and
// returns -1.
int CheckDateInput(const QString &text, Dialogs &dialogs);

// False unless IsNumericOrEmpty(text); then whether min <= number <= max.
// Empty text passes the first test but is no number: it throws DbError 13,
// and the caller's message covers it ("an empty box also fails").
bool IsInRange(const QString &text, double min, double max);

// The whole number from `min` to `max` that `text` holds in digits only
// (blanks around it allowed, full-width digits typed with the input method
// on count as digits), or nothing: a sign, a separator, a decimal point or a
// blank inside is no whole number of a box that takes a count.
std::optional<int> wholeNumberInRange(const QString &text, int min, int max);
