#pragma once
// Slips and lines of an import batch with the tag masters, for the tag
// summary and tag run tests. Every line gets its own slip header, which
// carries the tag kind and the division.

#include "support/SlipRows.h"
#include "tags/TagSummary.h"

#include <QStringList>

namespace TagFixture {

// Tag kinds: 1/2 and 1/3 ordinary, 5/1 PB. Groups and divisions have names
// for group 0123 and division 101 only. The PB master knows SKU 000001 of
// group 123 in divisions 101 and 102 (tag type 7).
inline void masters(Database &db)
{
    using SlipRows::insert;
    // The tests state their own masters instead of the installed ones.
    for (const char *table : {"MST_HUDASYU", "MST_GUNBAN", "MST_JIGYOUBU"})
        db.execute(QStringLiteral("Delete From ") + QLatin1String(table));
    insert(db, "MST_HUDASYU", {{"HUDA_SYU", "1"}, {"HUDA_KU", "2"}, {"HUDA_NAME", QStringLiteral("値札A")}, {"PB_FLG", 0}});
    insert(db, "MST_HUDASYU", {{"HUDA_SYU", "1"}, {"HUDA_KU", "3"}, {"HUDA_NAME", QStringLiteral("値札B")}, {"PB_FLG", 0}});
    insert(db, "MST_HUDASYU", {{"HUDA_SYU", "5"}, {"HUDA_KU", "1"}, {"HUDA_NAME", QStringLiteral("PB札")}, {"PB_FLG", -1}});
    insert(db, "MST_GUNBAN", {{"GUN_CD", "0123"}, {"GUN_NAME", QStringLiteral("紳士")}});
    insert(db, "MST_JIGYOUBU", {{"JI_CD", "101"}, {"JI_NAME", QStringLiteral("日本")}});
    for (const int division : {101, 102})
        insert(db, "MST_PB", {{"HOUJIN_CD", 0}, {"JIGYOUBU_CD", division}, {"GUNBAN_CD", 123}, {"SKU_CD", 1},
                              {"TAG_SYURUI", 7}, {"ITEM_CD", "IT-9"}, {"INJINAIYOU_SIZE", "S"},
                              {"INJINAIYOU_SOZAI", QStringLiteral("綿100%")},
                              {"INJINAIYOU_GENSANKOKU", QStringLiteral("日本")}});
}

struct Line {
    int batch;
    int bd;
    const char *kind;      // the slip's OMFUDA
    const char *code;      // ONNFKB
    const char *sury;      // tenths
    QVariant written;      // TAG_OP_DATE: Null, "" or a date
    const char *sku = "000001";
    const char *division = "101";
    const char *line = "01";
    const char *price = "0001900";
};

// A line with the values the tag data tests expect: group 0123, item 01,
// article ART-1, colour ﾌﾞﾙｰ, size M, ONSYKB 10, month 12, partner 654321.
inline void line(Database &db, const Line &l)
{
    SlipRows::slip(db, l.batch, l.bd, {{"OMFUDA", l.kind}, {"OMTCD2", l.division}, {"OMOPMM", "12"},
                                       {"OMTRCD", "654321"}, {"OMDNNO", QString::number(100000 + l.bd)}});
    SlipRows::line(db, l.batch, l.bd, l.bd, l.sury, l.price,
                   {{"ONNFKB", l.code}, {"ONGNCD", "0123"}, {"ONHNCD", "01"}, {"ONSKU", l.sku}, {"ONSYGN", "ART-1"},
                    {"ONSYKN", QStringLiteral("シャツ")}, {"ONCLKN", QStringLiteral("ﾌﾞﾙｰ")}, {"ONSZKN", "M"},
                    {"ONSYKB", "10"}, {"ONLINE", l.line}, {"TAG_OP_DATE", l.written}});
}

// TBL_HUDA as "batch|kind|code|name|count|note" rows in table order.
inline QStringList summary(Database &db)
{
    QStringList out;
    Recordset rs = db.query(
        QStringLiteral("Select INDEXNOH1,NEHUDA_SYU,NEHUDA_KUBUN,TAG_SYU,SUU,OP_DATE From TBL_HUDA Order By ") + TagSummaryOrder());
    for (; !rs.eof(); rs.moveNext()) {
        QStringList cells;
        for (int c = 0; c < 6; ++c)
            cells << rs.text(c);
        out << cells.join('|');
    }
    return out;
}

} // namespace TagFixture
