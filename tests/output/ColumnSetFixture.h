#pragma once
// A small catalogue of two offered tables (entered out of their order) and
// two column sets; set S1 has three members, the last of whose column left
// the catalogue.

#include "support/TempDataFolder.h"

#include <QStringList>

#include <gtest/gtest.h>

class ColumnSetFixture {
public:
    Database &prepareColumnSets()
    {
        db = &folder.prepare();
        db->executeScript(QStringLiteral(
            "DELETE FROM MST_TBL_LISTH; DELETE FROM MST_TBL_LIST; DELETE FROM MST_SET_NAME; DELETE FROM MST_COL_SET;"
            "INSERT INTO MST_TBL_LISTH VALUES ('TBL_B','明細',2), ('TBL_A','ヘッダ',1);"
            "INSERT INTO MST_TBL_LIST VALUES ('TBL_A','A2','項目二','','',2), ('TBL_A','A1','項目一','','',1),"
            "  ('TBL_B','B1','明細一','','',1);"
            "INSERT INTO MST_SET_NAME VALUES ('S1','納品用'), ('S2','請求用');"
            "INSERT INTO MST_COL_SET VALUES ('S1','TBL_B','B1',1), ('S1','TBL_A','A1',0), ('S1','TBL_A','GONE',2),"
            "  ('S2','TBL_A','A2',0);"));
        return *db;
    }

    // The members of `set` as "table.column" in the order of Gyou.
    QStringList stored(const QString &set)
    {
        QStringList out;
        Recordset rs = db->query(QStringLiteral("SELECT TBL_DB_NAME || '.' || COL_DB_NAME, Gyou FROM MST_COL_SET "
                                                "WHERE SET_DB_NAME=? ORDER BY Gyou"),
                                 {set});
        for (int expected = 0; !rs.eof(); rs.moveNext(), ++expected) {
            EXPECT_EQ(rs.field(1).toInt(), expected) << "positions run from 0 without gaps";
            out << rs.text(0);
        }
        return out;
    }

    TempDataFolder folder;
    Database *db = nullptr;
};
