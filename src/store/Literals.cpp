#include "store/Literals.h"

#include "store/DbError.h"
#include "store/JetFunctions.h"

#include <QLocale>

#include <cmath>

namespace {

bool isNullValue(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

QString separator(bool comma)
{
    return comma ? QStringLiteral(",") : QStringLiteral(" ");
}

} // namespace

QString SqlText(const QVariant &value, bool comma, bool alwaysQuote, const QString &source)
{
    const QString v = isNullValue(value) ? QString() : value.toString();
    if (v.contains(QChar(0)))
        throw DbError(DbErr::InvalidArgument,
                      (source.isEmpty() ? QStringLiteral("値") : source)
                          + QStringLiteral("に NUL 文字 (0x00) があるため SQL 文に使えません。"));
    QString out;
    if (!alwaysQuote && v.isEmpty())
        out = QStringLiteral("Null");
    else if (!alwaysQuote && v == QLatin1String("''"))
        out = v;
    else
        out = QLatin1Char('\'') + QString(v).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    return out + separator(comma);
}

QString SqlNumber(const QVariant &value, bool comma)
{
    QString out;
    if (isNullValue(value)) {
        out = QStringLiteral("Null");
    } else if (value.typeId() == QMetaType::Bool) {
        out = value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
    } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        out = std::isfinite(d) ? QString::number(d, 'g', QLocale::FloatingPointShortest)
                               : QStringLiteral("Null");
    } else {
        const QString t = value.toString();
        if (t == QLatin1String("True"))
            out = QStringLiteral("-1");
        else if (t == QLatin1String("False"))
            out = QStringLiteral("0");
        else if (jet::parseNumber(t))
            // Only digits, sign, point and exponent get here, so the text can
            // stand in the statement as it is.
            out = t.trimmed();
        else
            out = QStringLiteral("Null");
    }
    return out + separator(comma);
}

QVariant NzValue(const QVariant &value, const QVariant &def)
{
    const bool empty = isNullValue(value)
        || ((value.typeId() == QMetaType::QString) && value.toString().isEmpty());
    if (!empty)
        return value;
    if (isNullValue(def))
        return QString();
    return def;
}
