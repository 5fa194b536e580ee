#pragma once
// Writes slip headers and lines straight into the working tables, for tests
// of what comes after the import. Fields not given are left Null, as a test
// states only what it is about.

#include "store/Database.h"
#include "store/ChangeMarker.h"

#include <QMap>
#include <QStringList>
#include <QVariant>

namespace SlipRows {

using Fields = QMap<QString, QVariant>;

inline void insert(Database &db, const QString &table, const Fields &fields)
{
    QStringList cols;
    QStringList marks;
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        cols << it.key();
        marks << QStringLiteral("?");
    }
    Statement st = db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(table, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    int i = 1;
    for (const QVariant &v : fields)
        st.bind(i++, v);
    st.execute();
}

// A slip header of batch `h1`.
inline void slip(Database &db, int h1, int h2, Fields fields = {})
{
    fields.insert(QStringLiteral("INDEXNOH1"), h1);
    fields.insert(QStringLiteral("INDEXNOH2"), h2);
    insert(db, QStringLiteral("TBL_RD_H2"), fields);
}

// A slip line as imported: quantity in tenths and selling price as the
// six- and seven-digit fields, the marker made from them.
inline void line(Database &db, int h1, int h2, int bd, const QString &sury, const QString &btnk, Fields fields = {})
{
    fields.insert(QStringLiteral("INDEXNOH1"), h1);
    fields.insert(QStringLiteral("INDEXNOH2"), h2);
    fields.insert(QStringLiteral("INDEXNOBD"), bd);
    fields.insert(QStringLiteral("ONSURY"), sury);
    fields.insert(QStringLiteral("ONBTNK"), btnk);
    if (!fields.contains(QStringLiteral("ONSURYM")))
        fields.insert(QStringLiteral("ONSURYM"), ChangeMarker::make(sury, btnk));
    insert(db, QStringLiteral("TBL_RD_BD"), fields);
}

} // namespace SlipRows
