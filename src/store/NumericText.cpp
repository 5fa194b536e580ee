#include "store/NumericText.h"

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A double holds at most 309 integer digits.
constexpr int MaxIntegerDigits = 309;

// |value| × 10^shift rounded half away from zero, as digits without
// leading zeros ("0" for zero).
QString roundedDigits(const DecimalText &value, int shift)
{
    const QString &d = value.digits;
    if (d == QLatin1String("0"))
        return d;
    if (shift >= 0)
        return d + QString(shift, QLatin1Char('0'));
    const qsizetype cut = -qsizetype(shift);
    if (cut > d.size())
        return QStringLiteral("0");   // the first dropped digit is a leading zero
    QString kept = d.left(d.size() - cut);
    if (d.at(d.size() - cut) >= QLatin1Char('5')) {
        qsizetype i = kept.size() - 1;
        while (i >= 0 && kept.at(i) == QLatin1Char('9'))
            kept[i--] = QLatin1Char('0');
        if (i < 0)
            kept.prepend(QLatin1Char('1'));
        else
            kept[i] = QChar(char16_t(kept.at(i).unicode() + 1));
    }
    while (kept.size() > 1 && kept.at(0) == QLatin1Char('0'))
        kept.remove(0, 1);
    return kept.isEmpty() ? QStringLiteral("0") : kept;
}

QString groupThousands(const QString &digits)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits.at(i);
    }
    return out;
}

} // namespace

QString halfWidthAscii(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000)
            c = QLatin1Char(' ');
        else if (u == 0x2212)
            c = QLatin1Char('-');
    }
    return out;
}

std::optional<DecimalText> parseDecimalText(const QString &text)
{
    const QString s = halfWidthAscii(text).trimmed();
    const qsizetype n = s.size();
    qsizetype i = 0;
    DecimalText v;
    if (i < n && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        v.negative = s.at(i++) == QLatin1Char('-');

    QString intDigits;
    while (i < n) {
        if (isDigit(s.at(i))) {
            intDigits += s.at(i++);
        } else if (s.at(i) == QLatin1Char(',') && !intDigits.isEmpty() && i + 1 < n && isDigit(s.at(i + 1))) {
            ++i;   // a separator stands between two digits of the integer part
        } else {
            break;
        }
    }
    QString fracDigits;
    if (i < n && s.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(s.at(i)))
            fracDigits += s.at(i++);
    }
    if (intDigits.isEmpty() && fracDigits.isEmpty())
        return std::nullopt;

    qint64 exp = 0;
    if (i < n && (s.at(i) == QLatin1Char('e') || s.at(i) == QLatin1Char('E'))) {
        ++i;
        bool expNegative = false;
        if (i < n && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
            expNegative = s.at(i++) == QLatin1Char('-');
        const qsizetype start = i;
        while (i < n && isDigit(s.at(i))) {
            if (exp < 100000)
                exp = exp * 10 + (s.at(i).unicode() - '0');
            ++i;
        }
        if (i == start)
            return std::nullopt;
        if (expNegative)
            exp = -exp;
    }
    if (i != n)
        return std::nullopt;

    QString digits = intDigits + fracDigits;
    exp -= fracDigits.size();
    qsizetype lead = 0;
    while (lead < digits.size() && digits.at(lead) == QLatin1Char('0'))
        ++lead;
    digits.remove(0, lead);
    if (digits.isEmpty())
        return DecimalText{false, QStringLiteral("0"), 0};
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0'))) {
        digits.chop(1);
        ++exp;
    }
    if (digits.size() + exp > MaxIntegerDigits)
        return std::nullopt;
    if (exp < -100000)
        return DecimalText{false, QStringLiteral("0"), 0};   // far below anything a double can hold
    v.digits = digits;
    v.exponent = int(exp);
    return v;
}

std::optional<double> numericValue(const QString &text)
{
    const auto d = parseDecimalText(text);
    if (!d)
        return std::nullopt;
    const QString canonical = (d->negative ? QStringLiteral("-") : QString()) + d->digits + QLatin1Char('e')
        + QString::number(d->exponent);
    bool ok = false;
    const double v = canonical.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

QString formatDecimal(const DecimalText &value, int decimals, bool grouped)
{
    QString n = roundedDigits(value, value.exponent + decimals);
    const bool zero = n == QLatin1String("0");
    if (n.size() <= decimals)
        n = QString(decimals + 1 - n.size(), QLatin1Char('0')) + n;
    QString whole = n.left(n.size() - decimals);
    if (grouped)
        whole = groupThousands(whole);
    QString out = (value.negative && !zero) ? QStringLiteral("-") : QString();
    out += whole;
    if (decimals > 0)
        out += QLatin1Char('.') + n.right(decimals);
    return out;
}

QString wholeDigits(const DecimalText &value, int minDigits)
{
    QString n = roundedDigits(value, value.exponent);
    if (n.size() < minDigits)
        n = QString(minDigits - n.size(), QLatin1Char('0')) + n;
    return n;
}
