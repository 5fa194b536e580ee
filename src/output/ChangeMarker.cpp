#include "output/ChangeMarker.h"

namespace ChangeMarker {

QString make(const QString &orderedQuantityField, const QString &orderedPriceField)
{
    return orderedQuantityField + orderedPriceField + Unchanged;
}

QString orderedQuantityText(const QString &marker)
{
    return marker.left(6);
}

QString orderedPriceText(const QString &marker)
{
    return marker.mid(6, 7);
}

QChar state(const QString &marker)
{
    return marker.isEmpty() ? QChar() : marker.back();
}

QString withState(const QString &marker, QChar s)
{
    return marker.left(13) + s;
}

QString sqlWithState(const QString &column, QChar s)
{
    return QStringLiteral("substr(%1,1,13) || '%2'").arg(column).arg(s);
}

QString sqlInState(const QString &column, QChar s)
{
    return QStringLiteral("substr(%1,-1,1)='%2'").arg(column).arg(s);
}

} // namespace ChangeMarker
