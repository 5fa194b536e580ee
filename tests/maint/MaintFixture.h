#pragma once
// Small rows for the maintenance tests: a batch with its flags, slips and
// lines, a billing run with its copies, a PB master row.

#include "store/Database.h"

#include <QString>

namespace MaintFixture {

struct Slip {
    QString kind = QStringLiteral("0");     // OMHCKB: "0" ordinary order
    QVariant billed = QStringLiteral("-1"); // SEIKYU_FLG
    QVariant issued = QStringLiteral("-1"); // HAKKOU_FLG
};

inline qint64 nextId(Database &db, const char *table, const char *column)
{
    return db.scalar(QStringLiteral("SELECT IFNULL(MAX(%1),0)+1 FROM %2").arg(QLatin1String(column), QLatin1String(table)))
        .toLongLong();
}

// A batch imported on `importDate` ("yyMMdd") with one line per slip.
inline void addBatch(Database &db, qint64 batch, const QString &importDate, const QList<Slip> &slips,
                     const QVariant &assortmentStamp = QString(), const QVariant &slipStamp = QString(),
                     const QString &dataDate = QStringLiteral("250131"))
{
    db.execute("INSERT INTO TBL_RD_H1(INDEXNOH1,OLPAGE,OLDATE) VALUES(?,?,?)",
               {batch, QString::number(slips.size()), dataDate});
    db.execute("INSERT INTO TBL_FLG_DATA(INDEXNOH1,IMPORT_DATE,IMPORT_TIME,SHINAZOROE_OP_DATE,DENPYOU_OP_DATE) "
               "VALUES(?,?,'093000',?,?)",
               {batch, importDate, assortmentStamp, slipStamp});
    for (const Slip &s : slips) {
        const qint64 h2 = nextId(db, "TBL_RD_H2", "INDEXNOH2");
        db.execute("INSERT INTO TBL_RD_H2(INDEXNOH1,INDEXNOH2,OMHCKB,SEIKYU_FLG,HAKKOU_FLG) VALUES(?,?,?,?,?)",
                   {batch, h2, s.kind, s.billed, s.issued});
        db.execute("INSERT INTO TBL_RD_BD(INDEXNOH1,INDEXNOH2,INDEXNOBD,ONSURY) VALUES(?,?,?,'000150')",
                   {batch, h2, nextId(db, "TBL_RD_BD", "INDEXNOBD")});
    }
}

inline void addBillingRun(Database &db, qint64 run, const QString &madeOn)
{
    db.execute("INSERT INTO TBL_SEZ_H(INDEXNOZH,DATA_SAKUSEI_BI,TAISYOU_J,TAISYOU_I,DEN_MAISUU,KINGAKU_KEI) "
               "VALUES(?,?,'250101','250131',1,1000)",
               {run, madeOn});
    db.execute("INSERT INTO TBL_SEZ_B(INDEXNOZH,INDEXNOH2) VALUES(?,1)", {run});
    db.execute("INSERT INTO TBL_SEZ_BD(INDEXNOZH,INDEXNOH2,INDEXNOBD) VALUES(?,1,1)", {run});
}

inline void addPb(Database &db, int sku, const QString &salesEnd)
{
    db.execute("INSERT INTO MST_PB(HOUJIN_CD,JIGYOUBU_CD,GUNBAN_CD,SKU_CD,HANBAI_SYUURYOUBI) VALUES(0,12,345,?,?)",
               {sku, salesEnd});
}

inline qint64 count(Database &db, const QString &table, const QString &where = QString())
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM ") + table + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where))
        .toLongLong();
}

} // namespace MaintFixture
