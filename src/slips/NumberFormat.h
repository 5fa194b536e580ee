#pragma once
// Numbers as the slips and assortment lists print them. The stored figures
// are scaled integers (quantities in tenths of a piece, cost prices in
// hundredths of yen), so every value here is an exact decimal — an integer
// and a number of decimal places — and nothing passes through a binary
// fraction on its way to the paper.
//
// Patterns follow the notation the chain's forms were designed with:
//   "#0"        whole number, no separators            1980
//   "#,##0"     thousands separators, no decimals      1,980
//   "#,##0.##"  at most two decimals; the point stays  1,200.5   18,007.
//               even when no decimal digit follows
//   "#,###"     like "#,##0", but zero prints nothing
// A pattern that needs fewer decimals than the value has rounds halves away
// from zero (15.5 pieces in a "#,###" cell print as 16).

#include <QString>
#include <QtGlobal>

#include <optional>

namespace NumberFormat {

// units × 10^-scale; scale 0 to 18.
struct Decimal {
    qint64 units = 0;
    int scale = 0;
};

// `value` in `pattern` (digits '#' and '0', ',' for grouping, '.' for the
// point). Zero never carries a minus sign.
QString format(Decimal value, const QString &pattern);
inline QString format(qint64 whole, const QString &pattern)
{
    return format(Decimal{whole, 0}, pattern);
}

// The whole number nearest `value`; a half goes to the even neighbour, as
// the slip's ordered selling total has always been added up.
qint64 roundHalfEven(Decimal value);
// The whole number nearest `value`; a half goes away from zero.
qint64 roundHalfAway(Decimal value);

// A stored figure: blanks around it, an optional sign, then digits only
// (leading zeros as the order file writes them). Nothing for anything else,
// empty text included, or more than 18 digits.
std::optional<qint64> wholeNumber(const QString &text);

// Digit placeholders '#' of `pattern` filled from the right with the digits
// of `digits`, every other pattern character copied ("20250131" in
// "####/##/##" gives 2025/01/31). Digits beyond the placeholders go in
// front; text that is not all digits is returned as it is.
QString fillDigits(const QString &digits, const QString &pattern);

} // namespace NumberFormat
