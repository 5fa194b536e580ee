#include "store/Conditions.h"

#include "store/Literals.h"

QString GetJoukenValue(Database &db, const QString &key)
{
    Recordset rs = db.query(QStringLiteral("Select VALUEC From MST_JYOUKEN Where KEYC=?"), {key});
    if (rs.eof())
        return QString();
    return NzValue(rs.field(0), QString()).toString();
}

void SetJoukenValue(Database &db, const QString &key, const QString &value)
{
    const bool exists = !db.scalar(QStringLiteral("Select KEYC From MST_JYOUKEN Where KEYC=?"), {key}).isNull();
    if (!exists)
        db.execute(QStringLiteral("Insert Into MST_JYOUKEN(KEYC,VALUEC) Values(") + SqlText(key, true, true)
                   + SqlText(value, false, true) + QLatin1Char(')'));
    else
        db.execute(QStringLiteral("Update MST_JYOUKEN Set VALUEC=") + SqlText(value, false, true)
                   + QStringLiteral("Where KEYC=") + SqlText(key, false, true));
}
