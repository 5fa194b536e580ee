#include "store/ChangeMarker.h"

namespace ChangeMarker {

QString make(const QString &orderedQuantityField, const QString &orderedPriceField)
{
    return orderedQuantityField.leftJustified(QuantityWidth, QLatin1Char(' '), true)
        + orderedPriceField.leftJustified(PriceWidth, QLatin1Char(' '), true) + Unchanged;
}

QString sqlMake(const QString &quantityColumn, const QString &priceColumn)
{
    // ifnull: a missing field is blanks, as make() pads an empty one.
    return QStringLiteral("substr(ifnull(%1,'') || '%2', 1, %3) || substr(ifnull(%4,'') || '%5', 1, %6) || '%7'")
        .arg(quantityColumn, QString(QuantityWidth, QLatin1Char(' ')))
        .arg(QuantityWidth)
        .arg(priceColumn, QString(PriceWidth, QLatin1Char(' ')))
        .arg(PriceWidth)
        .arg(Unchanged);
}

QString orderedQuantityText(const QString &marker)
{
    return marker.left(QuantityWidth);
}

QString orderedPriceText(const QString &marker)
{
    return marker.mid(QuantityWidth, PriceWidth);
}

QChar state(const QString &marker)
{
    return marker.isEmpty() ? QChar() : marker.back();
}

QString withState(const QString &marker, QChar s)
{
    return marker.left(Length - 1) + s;
}

QString sqlWithState(const QString &column, QChar s)
{
    return QStringLiteral("substr(%1,1,%2) || '%3'").arg(column).arg(Length - 1).arg(s);
}

QString sqlInState(const QString &column, QChar s)
{
    return QStringLiteral("substr(%1,-1,1)='%2'").arg(column).arg(s);
}

} // namespace ChangeMarker
