#include "output/ColumnSets.h"

#include "store/Database.h"
#include "store/Literals.h"
#include "store/GridColumns.h"

#include <algorithm>

QList<ColumnSetName> columnSetNames(Database &db)
{
    QList<ColumnSetName> out;
    // Keys in the order of their numbers (S2 before S10, SET009 before
    // SET010): the program numbers new sets upwards, so that is the order
    // they were made in.
    Recordset rs = db.query(
        QStringLiteral("Select SET_DB_NAME,SET_NAME From MST_SET_NAME Order By length(SET_DB_NAME),SET_DB_NAME"));
    for (; !rs.eof(); rs.moveNext())
        out << ColumnSetName{rs.text(0), rs.text(1)};
    return out;
}

QList<OfferedTable> offeredTables(Database &db)
{
    QList<OfferedTable> out;
    Recordset rs = db.query(QStringLiteral("Select TBL_DB_NAME,TBL_NAME From MST_TBL_LISTH Order By TBL_LV"));
    for (; !rs.eof(); rs.moveNext())
        out << OfferedTable{rs.text(0), rs.text(1)};
    return out;
}

QString columnCatalogueSql(const QString &table)
{
    return QStringLiteral(" Select TBL_DB_NAME as TDNH00000,COL_DB_NAME as 項目名S00900,COL_NAME as 項目名称S01500, "
                          "KEISAN_F as KFH00000,KEISAN_B as KBH00000,'' as 備考S00900 "
                          "From MST_TBL_LIST Where TBL_DB_NAME=")
        + SqlText(table, false, true) + QStringLiteral("Order By COL_NO");
}

QString columnSetSql(const QString &set)
{
    return QStringLiteral("Select MCS.TBL_DB_NAME as TBNH00000,MCS.COL_DB_NAME as 項目名S00900,"
                          "MTL.COL_NAME as 項目名称S01500,'' as 備考S00900 "
                          "From MST_COL_SET MCS Left Join MST_TBL_LIST MTL "
                          "On MCS.TBL_DB_NAME=MTL.TBL_DB_NAME and MCS.COL_DB_NAME=MTL.COL_DB_NAME "
                          "Where MCS.SET_DB_NAME=")
        + SqlText(set) + QStringLiteral("Order By MCS.Gyou ");
}

QList<ColumnSetMember> columnSetMembers(Database &db, const QString &set)
{
    const GridData rows = loadGridData(db, columnSetSql(set));
    QList<ColumnSetMember> out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out << ColumnSetMember{rows.text(r, ColumnSetGrid::Table), rows.text(r, ColumnSetGrid::Column),
                               rows.text(r, ColumnSetGrid::Caption)};
    return out;
}

void saveColumnSet(Database &db, const QString &set, const QList<ColumnSetMember> &members)
{
    // One transaction: a failure half-way must not leave the set with only
    // some of its members.
    Transaction tx(db);
    db.execute(QStringLiteral("Delete From MST_COL_SET Where SET_DB_NAME=") + SqlText(set));
    for (int i = 0; i < members.size(); ++i)
        db.execute(QStringLiteral("Insert Into MST_COL_SET(SET_DB_NAME,TBL_DB_NAME,COL_DB_NAME,Gyou) Values(")
                   + SqlText(set, true, true) + SqlText(members.at(i).table, true, true)
                   + SqlText(members.at(i).column, true, true) + SqlNumber(i) + QStringLiteral(")"));
    tx.commit();
}

QString columnSetNameRefusal(Database &db, const QString &name, const QString &exceptKey)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("項目セットの名前を入力してください。");
    for (const ColumnSetName &s : columnSetNames(db))
        if (s.dbName != exceptKey && s.name.trimmed() == trimmed)
            return QStringLiteral("項目セット「%1」は既にあります。別の名前を入力してください。").arg(trimmed);
    return QString();
}

ColumnSetChange createColumnSet(Database &db, const QString &name)
{
    ColumnSetChange change;
    Transaction tx(db);
    change.refusal = columnSetNameRefusal(db, name);
    if (!change.refusal.isEmpty())
        return change;
    // Keys are never shown; the next free number after the highest one in use.
    int highest = 0;
    for (const ColumnSetName &s : columnSetNames(db)) {
        bool ok = false;
        const int n = s.dbName.startsWith(QLatin1String("SET")) ? s.dbName.mid(3).toInt(&ok) : 0;
        if (ok)
            highest = std::max(highest, n);
    }
    change.set = ColumnSetName{QStringLiteral("SET%1").arg(highest + 1, 3, 10, QLatin1Char('0')), name.trimmed()};
    db.execute(QStringLiteral("Insert Into MST_SET_NAME(SET_DB_NAME,SET_NAME) Values(")
               + SqlText(change.set.dbName, true, true) + SqlText(change.set.name) + QStringLiteral(")"));
    tx.commit();
    change.done = true;
    return change;
}

ColumnSetChange renameColumnSet(Database &db, const QString &key, const QString &name)
{
    ColumnSetChange change;
    Transaction tx(db);
    change.refusal = columnSetNameRefusal(db, name, key);
    if (!change.refusal.isEmpty())
        return change;
    change.set = ColumnSetName{key, name.trimmed()};
    db.execute(QStringLiteral("Update MST_SET_NAME Set SET_NAME=") + SqlText(change.set.name, false, true)
               + QStringLiteral("Where SET_DB_NAME=") + SqlText(key));
    tx.commit();
    change.done = true;
    return change;
}

void removeColumnSet(Database &db, const QString &key)
{
    // Members and name go together, or a later set of that key would
    // inherit the members.
    Transaction tx(db);
    db.execute(QStringLiteral("Delete From MST_COL_SET Where SET_DB_NAME=") + SqlText(key));
    db.execute(QStringLiteral("Delete From MST_SET_NAME Where SET_DB_NAME=") + SqlText(key));
    tx.commit();
}
