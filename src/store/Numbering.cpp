#include "store/Numbering.h"

#include "store/Literals.h"

qint32 GetNextIndex(Database &db, const QString &key)
{
    Transaction tx(db);
    const QString where = QStringLiteral("Where IKey=") + SqlText(key, false, true);
    // The row is locked before it is read: on a server another desk taking
    // the same number waits here until this transaction ends, so no number
    // is ever given twice (the embedded engine's write lock does the same).
    db.execute(QStringLiteral("Update MST_IDX Set IVal=IVal ") + where);
    Recordset rs = db.query(QStringLiteral("Select IKey,IVal,IStart,IEnd From MST_IDX ") + where);
    if (rs.eof())
        throw DbError(3021, QStringLiteral("番号 '%1' が MST_IDX にありません。").arg(key));
    const qint64 current = rs.field(QStringLiteral("IVal")).toLongLong();
    const qint64 start = rs.field(QStringLiteral("IStart")).toLongLong();
    const qint64 end = rs.field(QStringLiteral("IEnd")).toLongLong();
    rs.close();
    const qint64 next = current >= end ? start : current + 1;
    db.execute(QStringLiteral("Update MST_IDX Set IVal=") + SqlNumber(next) + where);
    tx.commit();
    return qint32(current);
}
