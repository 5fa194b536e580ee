#include "store/InputChecks.h"

#include "store/Clock.h"
#include "store/DbError.h"
#include "store/Dialogs.h"
#include "store/NumericText.h"

#include <QRegularExpression>

namespace {

// Years typed with one or two digits fall in 1930-2029.
constexpr int TwoDigitYearPivot = 30;

int fullYear(const QString &digits)
{
    const int y = digits.toInt();
    if (digits.size() > 2)
        return y;
    return y < TwoDigitYearPivot ? 2000 + y : 1900 + y;
}

std::optional<QDate> validDate(int y, int m, int d)
{
    const QDate date(y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace

bool IsNumericOrEmpty(const QString &value)
{
    return value.isEmpty() || parseDecimalText(value).has_value();
}

std::optional<QDate> parseDateText(const QString &text)
{
    static const QRegularExpression ymd(QStringLiteral("^(\\d{4}|\\d{1,2})([/.-])(\\d{1,2})\\2(\\d{1,2})$"));
    static const QRegularExpression ymdKanji(QStringLiteral("^(\\d{4}|\\d{1,2})年(\\d{1,2})月(\\d{1,2})日?$"));
    static const QRegularExpression md(QStringLiteral("^(\\d{1,2})[/-](\\d{1,2})$"));
    static const QRegularExpression mdKanji(QStringLiteral("^(\\d{1,2})月(\\d{1,2})日?$"));

    const QString s = halfWidthAscii(text).trimmed();
    if (s.isEmpty())
        return std::nullopt;
    QRegularExpressionMatch m = ymd.match(s);
    if (m.hasMatch())
        return validDate(fullYear(m.captured(1)), m.captured(3).toInt(), m.captured(4).toInt());
    m = ymdKanji.match(s);
    if (m.hasMatch())
        return validDate(fullYear(m.captured(1)), m.captured(2).toInt(), m.captured(3).toInt());
    const int year = Clock::today().year();
    m = md.match(s);
    if (m.hasMatch())
        return validDate(year, m.captured(1).toInt(), m.captured(2).toInt());
    m = mdKanji.match(s);
    if (m.hasMatch())
        return validDate(year, m.captured(1).toInt(), m.captured(2).toInt());
    return std::nullopt;
}

bool IsDateOrEmpty(const QString &value)
{
    return value.isEmpty() || parseDateText(value).has_value();
}

int CheckDateInput(const QString &text, Dialogs &dialogs)
{
    if (IsDateOrEmpty(text))
        return 0;
    dialogs.message(QStringLiteral("この項目には認識できる日付を入力してください。"),
                    QStringLiteral("日付チェックエラー"), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    return -1;
}

bool IsInRange(const QString &text, double min, double max)
{
    if (!IsNumericOrEmpty(text))
        return false;
    const std::optional<double> v = numericValue(text);
    if (!v)
        throw DbError(DbErr::TypeMismatch, QStringLiteral("型が一致しません。"));
    return *v >= min && *v <= max;
}

std::optional<int> wholeNumberInRange(const QString &text, int min, int max)
{
    const QString t = halfWidthAscii(text).trimmed();
    // Longer than any number in range (leading zeros aside) cannot fit an int.
    if (t.isEmpty() || t.size() > 2 + QString::number(max).size())
        return std::nullopt;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int n = t.toInt();
    if (n < min || n > max)
        return std::nullopt;
    return n;
}
