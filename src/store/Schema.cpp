#include "store/Schema.h"

#include "store/Database.h"
#include "store/OrderLayout.h"

namespace Schema {
namespace {

ColumnDef text(const char *name, const char *def = nullptr)
{
    return ColumnDef{QString::fromLatin1(name), QStringLiteral("TEXT"),
                     def ? QString::fromLatin1(def) : QString()};
}

ColumnDef integer(const char *name)
{
    return ColumnDef{QString::fromLatin1(name), QStringLiteral("INTEGER"), QString()};
}

// A staging row's place in the file it came from: the order of the file
// is the order every step after the parse works in (the last of two rows
// with one key wins), and the server keeps rows in no order of its own.
// Rows staged before the column existed read 0; the next import empties them.
ColumnDef recordNo()
{
    return ColumnDef{QStringLiteral("REC_NO"), QStringLiteral("INTEGER"), QStringLiteral("0"), 3};
}

ColumnDef number(const char *name)
{
    return ColumnDef{QString::fromLatin1(name), QStringLiteral("NUMERIC"), QString()};
}

template <size_t N>
QList<ColumnDef> orderColumns(const std::array<OrderField, N> &fields)
{
    QList<ColumnDef> out;
    for (const OrderField &f : fields)
        out << text(f.name);
    return out;
}

QList<ColumnDef> pbColumns()
{
    return {integer("HOUJIN_CD"),         integer("JIGYOUBU_CD"),        integer("GUNBAN_CD"),
            text("ITEM_CD"),              integer("SKU_CD"),             integer("TAG_SYURUI"),
            text("PATTERN_NO"),           text("GENBAN"),                text("TORIHIKISAKI_CD"),
            text("HANBAI_SYUURYOUBI"),    text("INJINAIYOU_SIZE"),       text("INJINAIYOU_SOZAI"),
            text("INJINAIYOU_GENSANKOKU"), text("SAKUSEI_DATE"),         text("KOUSHIN_DATE"),
            text("NEHUDA_HUYOU_KUBUN")};
}

QList<TableDef> build()
{
    using H = TableDef;
    const auto h1 = orderColumns(OrderLayout::H1);
    const auto h2 = orderColumns(OrderLayout::H2);
    const auto bd = orderColumns(OrderLayout::BD);
    const QStringList pbKey{"HOUJIN_CD", "JIGYOUBU_CD", "GUNBAN_CD", "SKU_CD"};

    QList<TableDef> t;
    // Staging: one file being imported, as parsed.
    // The order staging tables are copied and emptied in ranges of REC_NO.
    t << H{"IMP_RD_H1", H::Data, h1 + QList<ColumnDef>{integer("INDEXNOH1"), recordNo()}, {}, {{"REC_NO"}}};
    t << H{"IMP_RD_H2", H::Data, h2 + QList<ColumnDef>{integer("INDEXNOH1"), integer("INDEXNOH2"), recordNo()},
           {}, {{"REC_NO"}}};
    t << H{"IMP_RD_BD", H::Data,
           bd + QList<ColumnDef>{integer("INDEXNOH1"), integer("INDEXNOH2"), integer("INDEXNOBD"), recordNo()}, {},
           {{"REC_NO"}}};
    t << H{"IMP_PB", H::Data, pbColumns() + QList<ColumnDef>{recordNo()}, {}, {}};

    // Working data.
    t << H{"TBL_RD_H1", H::Data, h1 + QList<ColumnDef>{integer("INDEXNOH1")}, {"INDEXNOH1"}, {}};
    t << H{"TBL_FLG_DATA", H::Data,
           {integer("INDEXNOH1"), text("IMPORT_DATE"), text("IMPORT_TIME"), text("INJI_OP_DATE"),
            text("SHINAZOROE_OP_DATE"), text("DENPYOU_OP_DATE"), text("SEIKYU_OP_DATE")},
           {"INDEXNOH1"}, {}};
    t << H{"TBL_RD_H2", H::Data,
           h2 + QList<ColumnDef>{integer("INDEXNOH1"), integer("INDEXNOH2"), text("DEN_EXP_CHECK"),
                                 text("HAKKOU_FLG", "'0'"), text("DEN_OP_DATE"), text("SEIKYU_FLG", "'0'")},
           {"INDEXNOH2"},
           // The last index finds the slips of one order of a batch, which
           // an assortment list reads.
           {{"INDEXNOH1"}, {"OMHCNO"}, {"SEIKYU_FLG"}, {"INDEXNOH1", "OMHCNO"}}};
    t << H{"TBL_RD_BD", H::Data,
           bd + QList<ColumnDef>{integer("INDEXNOH1"), integer("INDEXNOH2"), integer("INDEXNOBD"),
                                 text("TAG_OP_DATE"), text("ONSURYM")},
           {"INDEXNOBD"}, {{"INDEXNOH2"}, {"INDEXNOH1"}}};
    t << H{"TBL_HUDA", H::Data,
           {integer("INDEXNOH1"), text("NEHUDA_SYU"), text("NEHUDA_KUBUN"), text("TAG_SYU"), integer("SUU"),
            text("OP_DATE")},
           {}, {{"INDEXNOH1"}}};
    t << H{"TBL_SEM_B", H::Data,
           {integer("INDEXNOH2"), text("DEN_NO"), text("DEN_NOUKI"), text("TENPO_CD"), text("TENPO_NAME"),
            text("HA_NO"), integer("KINGAKU_KEI"), text("HA_FLG"), text("KIKANNAI_FLG")},
           {}, {{"INDEXNOH2"}}};
    t << H{"TBL_SEZ_H", H::Data,
           {integer("INDEXNOZH"), text("TORIHIKISAKI_CD"), text("DATA_SYU"), text("DATA_SAKUSEI_BI"),
            text("TAISYOU_J"), text("TAISYOU_I"), integer("DEN_MAISUU"), integer("KINGAKU_KEI")},
           {"INDEXNOZH"}, {}};
    t << H{"TBL_SEZ_B", H::Data,
           h2 + QList<ColumnDef>{integer("INDEXNOZH"), integer("INDEXNOH1"), integer("INDEXNOH2"),
                                 text("HA_FLG"), integer("GOUKEI_KINGAKU")},
           {}, {{"INDEXNOZH"}, {"INDEXNOH2"}}};
    t << H{"TBL_SEZ_BD", H::Data,
           bd + QList<ColumnDef>{integer("INDEXNOZH"), integer("INDEXNOH1"), integer("INDEXNOH2"),
                                 integer("INDEXNOBD"), text("TAG_OP_DATE"), text("ONSURYM")},
           {}, {{"INDEXNOZH", "INDEXNOH2"}}};
    // The digest of every imported file per batch, so that a second import
    // of the same bytes is pointed out before anyone prints or bills it twice.
    t << H{"TBL_IMP_DIGEST", H::Data, {integer("INDEXNOH1"), text("FILE_DIGEST")}, {"INDEXNOH1"},
           {{"FILE_DIGEST"}}};
    t << H{"TMP_JSEIKYU", H::Data,
           {integer("INDEXNOBD"), text("OMHCNO"), text("OMDNNO"), text("ONLINE"), text("OMFUDA"), text("ONNFKB"),
            text("OMTRCD"), text("OMTRKN"), text("ONSYKN"), text("ONSZKN"), text("ONCLKN"), text("ONSURY"),
            text("HUDA_NAME"), number("SAGYOU_DAI"), text("TAG_OP_DATE")},
           {}, {}};

    // Masters.
    t << H{"MST_PB", H::Data, pbColumns(), {}, {pbKey}};
    t << H{"MST_NOUADD", H::Data, {text("TOK_CD"), text("NOU_CD"), text("NOU_NAME"), text("NOU_ADD")}, {},
           {{"TOK_CD", "NOU_CD"}}};
    t << H{"MST_HUDASYU", H::Common,
           {text("HUDA_SYU"), text("HUDA_KU"), text("HUDA_NAME"), integer("PB_FLG"), number("SAGYOU_DAI")},
           {}, {{"HUDA_SYU", "HUDA_KU"}}};
    t << H{"MST_GUNBAN", H::Common, {text("GUN_CD"), text("GUN_NAME")}, {}, {{"GUN_CD"}}};
    t << H{"MST_JIGYOUBU", H::Common, {text("JI_CD"), text("JI_NAME")}, {}, {{"JI_CD"}}};
    t << H{"MST_TCBASE", H::Common, {text("BASE_CD"), text("BASE_NAME")}, {}, {{"BASE_CD"}}};
    t << H{"MST_IDX", H::Data, {text("IKey"), integer("IVal"), integer("IStart"), integer("IEnd")}, {"IKey"}, {}};
    t << H{"MST_JYOUKEN", H::Data, {text("KEYC"), text("VALUEC")}, {"KEYC"}, {}};
    t << H{"MST_MENU", H::Data,
           {text("Menu_No"), integer("Menu_No_IDX"), text("Menu_Name"), text("Menu_Comment"), text("Menu_Ku"),
            text("Next_P")},
           {}, {{"Menu_No"}}};
    t << H{"MST_TBL_LISTH", H::Data, {text("TBL_DB_NAME"), text("TBL_NAME"), integer("TBL_LV")}, {}, {}};
    t << H{"MST_TBL_LIST", H::Data,
           {text("TBL_DB_NAME"), text("COL_DB_NAME"), text("COL_NAME"), text("KEISAN_F"), text("KEISAN_B"),
            integer("COL_NO")},
           {}, {{"TBL_DB_NAME"}}};
    t << H{"MST_SET_NAME", H::Data, {text("SET_DB_NAME"), text("SET_NAME")}, {}, {}};
    t << H{"MST_COL_SET", H::Data,
           {text("SET_DB_NAME"), text("TBL_DB_NAME"), text("COL_DB_NAME"), integer("Gyou")}, {},
           {{"SET_DB_NAME"}}};
    return t;
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString columnSql(const ColumnDef &c)
{
    QString s = quoted(c.name) + QLatin1Char(' ') + c.type;
    if (!c.defaultValue.isEmpty())
        s += QStringLiteral(" DEFAULT ") + c.defaultValue;
    return s;
}

} // namespace

const QList<TableDef> &tables()
{
    static const QList<TableDef> all = build();
    return all;
}

const TableDef *find(const QString &table)
{
    for (const TableDef &t : tables())
        if (t.name.compare(table, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

QString createSql(const TableDef &table, const QString &schema)
{
    QStringList cols;
    for (const ColumnDef &c : table.columns)
        cols << columnSql(c);
    if (!table.primaryKey.isEmpty()) {
        QStringList keys;
        for (const QString &k : table.primaryKey)
            keys << quoted(k);
        cols << QStringLiteral("PRIMARY KEY (%1)").arg(keys.join(QLatin1Char(',')));
    }
    return QStringLiteral("CREATE TABLE %1.%2 (%3)").arg(quoted(schema), quoted(table.name), cols.join(QStringLiteral(", ")));
}

void ensure(Database &db, bool newCommon)
{
    const bool haveCommon = db.isAttached(commonSchema());
    Transaction tx(db);
    for (const TableDef &t : tables()) {
        QString schema;
        if (db.tableExists(t.name, QStringLiteral("main")))
            schema = QStringLiteral("main");
        else if (haveCommon && db.tableExists(t.name, commonSchema()))
            schema = commonSchema();
        else {
            schema = (t.home == TableDef::Common && haveCommon && newCommon) ? commonSchema() : QStringLiteral("main");
            db.execute(createSql(t, schema));
        }
        // Columns added by later versions.
        const QStringList have = db.columns(t.name, schema);
        for (const ColumnDef &c : t.columns) {
            bool found = false;
            for (const QString &h : have)
                found = found || h.compare(c.name, Qt::CaseInsensitive) == 0;
            if (!found)
                db.execute(QStringLiteral("ALTER TABLE %1.%2 ADD COLUMN %3")
                               .arg(quoted(schema), quoted(t.name), columnSql(c)));
        }
        int n = 0;
        for (const QStringList &idx : t.indexes) {
            QStringList cols;
            for (const QString &c : idx)
                cols << quoted(c);
            const QString name = QStringLiteral("IX_%1_%2").arg(t.name).arg(++n);
            db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS %1.%2 ON %3 (%4)")
                           .arg(quoted(schema), quoted(name), quoted(t.name), cols.join(QLatin1Char(','))));
        }
    }
    db.execute(QStringLiteral("PRAGMA main.user_version = %1").arg(Version));
    tx.commit();
}

} // namespace Schema
