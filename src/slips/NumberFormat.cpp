#include "slips/NumberFormat.h"

#include "store/DbError.h"

#include <cstdlib>

namespace NumberFormat {
namespace {

constexpr int MaxScale = 18;

qint64 power10(int n)
{
    qint64 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

void checkScale(const Decimal &value)
{
    if (value.scale < 0 || value.scale > MaxScale)
        throw DbError(DbErr::Overflow, QStringLiteral("小数の桁数 %1 は扱えません。").arg(value.scale));
}

// |value| to `decimals` places, halves away from zero, as an integer of
// that scale.
quint64 roundedMagnitude(const Decimal &value, int decimals)
{
    const quint64 magnitude = value.units < 0 ? quint64(0) - quint64(value.units) : quint64(value.units);
    if (value.scale <= decimals) {
        // More places than the value has: scale up, which must not wrap.
        quint64 out = magnitude;
        for (int i = value.scale; i < decimals; ++i) {
            if (out > (~quint64(0)) / 10)
                throw DbError(DbErr::Overflow, QStringLiteral("数値が大きすぎて書式に収まりません。"));
            out *= 10;
        }
        return out;
    }
    const quint64 divisor = quint64(power10(value.scale - decimals));
    const quint64 quotient = magnitude / divisor;
    const quint64 remainder = magnitude % divisor;
    return remainder * 2 >= divisor ? quotient + 1 : quotient;
}

struct Pattern {
    bool grouped = false;
    int minInteger = 0;
    bool point = false;
    int minDecimals = 0;
    int maxDecimals = 0;
};

Pattern parsePattern(const QString &text)
{
    Pattern p;
    bool inFraction = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('.')) {
            p.point = true;
            inFraction = true;
        } else if (c == QLatin1Char(',')) {
            if (!inFraction)
                p.grouped = true;
        } else if (c == QLatin1Char('0')) {
            if (inFraction) {
                ++p.minDecimals;
                ++p.maxDecimals;
            } else {
                ++p.minInteger;
            }
        } else if (c == QLatin1Char('#')) {
            if (inFraction)
                ++p.maxDecimals;
        } else {
            throw DbError(DbErr::TypeMismatch, QStringLiteral("数値の書式「%1」は使えません。").arg(text));
        }
    }
    return p;
}

QString grouped(const QString &digits)
{
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

} // namespace

QString format(Decimal value, const QString &patternText)
{
    checkScale(value);
    const Pattern pattern = parsePattern(patternText);
    const quint64 scaled = roundedMagnitude(value, pattern.maxDecimals);
    const quint64 unit = quint64(power10(pattern.maxDecimals));
    const quint64 whole = scaled / unit;
    quint64 fraction = scaled % unit;

    QString integerDigits = whole == 0 ? QString() : QString::number(whole);
    while (integerDigits.size() < pattern.minInteger)
        integerDigits.prepend(QLatin1Char('0'));

    QString fractionDigits;
    if (pattern.maxDecimals > 0) {
        fractionDigits = QString::number(fraction).rightJustified(pattern.maxDecimals, QLatin1Char('0'));
        while (fractionDigits.size() > pattern.minDecimals && fractionDigits.endsWith(QLatin1Char('0')))
            fractionDigits.chop(1);
    }

    QString out = pattern.grouped ? grouped(integerDigits) : integerDigits;
    if (pattern.point)
        out += QLatin1Char('.') + fractionDigits;
    // "#,###" leaves a zero blank: the empty cells of the store columns.
    if (scaled == 0 && integerDigits.isEmpty() && fractionDigits.isEmpty())
        return QString();
    if (value.units < 0 && scaled != 0)
        out.prepend(QLatin1Char('-'));
    return out;
}

qint64 roundHalfAway(Decimal value)
{
    checkScale(value);
    const qint64 divisor = power10(value.scale);
    const qint64 quotient = value.units / divisor;
    const qint64 remainder = std::llabs(value.units % divisor);
    if (remainder * 2 >= divisor && divisor > 1)
        return value.units < 0 ? quotient - 1 : quotient + 1;
    return quotient;
}

qint64 roundHalfEven(Decimal value)
{
    checkScale(value);
    const qint64 divisor = power10(value.scale);
    const qint64 quotient = value.units / divisor;
    const qint64 remainder = std::llabs(value.units % divisor);
    const qint64 away = value.units < 0 ? quotient - 1 : quotient + 1;
    if (remainder * 2 > divisor)
        return away;
    if (remainder * 2 == divisor && divisor > 1)
        return (quotient % 2 == 0) ? quotient : away;
    return quotient;
}

std::optional<qint64> wholeNumber(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    const int digits = int(t.size()) - i;
    if (digits <= 0 || digits > 18)
        return std::nullopt;
    qint64 value = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return negative ? -value : value;
}

QString fillDigits(const QString &digits, const QString &pattern)
{
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return digits;
    }
    QString out;
    qsizetype next = digits.size() - 1;
    for (qsizetype i = pattern.size() - 1; i >= 0; --i) {
        if (pattern[i] == QLatin1Char('#')) {
            if (next >= 0)
                out.prepend(digits[next--]);
        } else {
            out.prepend(pattern[i]);
        }
    }
    if (next >= 0)
        out.prepend(digits.left(next + 1));
    return out;
}

} // namespace NumberFormat
