#pragma once
// Numbers typed by the operator or shown in grids, kept as decimal digits so
// that "1234.565" shown with two decimals rounds on its written digits, not
// on the nearest binary fraction.
//
// A numeric text is what the operator can reasonably mean as a number:
// blanks around it, a leading sign, thousands separators between digits of
// the integer part, a decimal point, an exponent, and the full-width forms
// of all of these (a Japanese input method left on types "１２３").

#include <QString>

#include <optional>

// `text` with full-width ASCII forms, the ideographic space and the minus
// sign U+2212 replaced by their half-width ASCII counterparts.
QString halfWidthAscii(const QString &text);

struct DecimalText {
    bool negative = false;
    QString digits;     // at least one digit, leading zeros removed ("0" for zero)
    int exponent = 0;   // the value is digits × 10^exponent
};

// The decimal a text means, or nothing when it is not a number (empty text,
// "12a", "1,,2", a bare sign, or beyond the range of a double).
std::optional<DecimalText> parseDecimalText(const QString &text);

// The value of a numeric text as a double, or nothing.
std::optional<double> numericValue(const QString &text);

// `value` rounded half away from zero to `decimals` places and written with
// exactly that many decimals, the integer part grouped by three with ","
// when `grouped` ("-1,234.50"). Zero never carries a minus sign.
QString formatDecimal(const DecimalText &value, int decimals, bool grouped);

// The digits of `value` rounded half away from zero to a whole number, at
// least `minDigits` long (left-padded with zeros), without sign.
QString wholeDigits(const DecimalText &value, int minDigits);
