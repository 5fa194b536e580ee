#include "store/ServerSchema.h"

#include "store/PgConnection.h"
#include "store/Schema.h"

#include <QFile>

namespace ServerSchema {
namespace {

// The embedded engine's integers are 64 bits wide.
QString serverType(const QString &type)
{
    if (type == QLatin1String("INTEGER"))
        return QStringLiteral("bigint");
    if (type == QLatin1String("NUMERIC"))
        return QStringLiteral("numeric");
    // Texts compare and sort byte by byte, as on the embedded engine,
    // whatever the locale the database was made with.
    return QStringLiteral("text COLLATE \"C\"");
}

QString columnSql(const ColumnDef &c)
{
    QString s = c.name + QLatin1Char(' ') + serverType(c.type);
    if (!c.defaultValue.isEmpty())
        s += QStringLiteral(" DEFAULT ") + c.defaultValue;
    return s;
}

QString readResource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(DbErr::FileNotFound, QStringLiteral("既定のデータ %1 が実行ファイルにありません。").arg(path));
    return QString::fromUtf8(f.readAll());
}

bool hasTable(PgConnection &db, const QString &table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                    "WHERE table_schema = current_schema() AND table_name = ?"),
                     {table.toLower()})
               .toLongLong()
           > 0;
}

bool hasColumn(PgConnection &db, const QString &table, const QString &column)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM information_schema.columns "
                                    "WHERE table_schema = current_schema() AND table_name = ? AND column_name = ?"),
                     {table.toLower(), column.toLower()})
               .toLongLong()
           > 0;
}

// The advisory lock that makes the schema one desk at a time ("TOBARI" in
// ASCII; the workflow locks use other keys).
constexpr qint64 kSchemaLock = 0x544F42415249;

} // namespace

QString createSql(const QString &table)
{
    const TableDef *t = Schema::find(table);
    if (!t)
        return QString();
    QStringList cols;
    for (const ColumnDef &c : t->columns)
        cols << columnSql(c);
    if (!t->primaryKey.isEmpty())
        cols << QStringLiteral("PRIMARY KEY (%1)").arg(t->primaryKey.join(QLatin1Char(',')));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(t->name, cols.join(QStringLiteral(", ")));
}

int version(PgConnection &db)
{
    if (!hasTable(db, QStringLiteral("TOBARI_SCHEMA")))
        return 0;
    return db.scalar(QStringLiteral("SELECT max(VERSION) FROM TOBARI_SCHEMA")).toInt();
}

void ensure(PgConnection &db)
{
    db.begin();
    try {
        // Two desks starting on an empty database at once: the second waits
        // here until the first has made everything, then finds it made.
        db.execute(QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kSchemaLock});
        const int have = version(db);
        if (have > Schema::Version)
            throw DbError(DbErr::ServerSchemaTooNew,
                          QStringLiteral("このデータベースは新しい版の TOBARI EDI で作られています（データベースの版 %1、"
                                         "このプログラムの版 %2）。プログラムを新しい版にしてください。")
                              .arg(have)
                              .arg(Schema::Version));
        const bool fresh = have == 0;
        if (fresh)
            db.execute(QStringLiteral("CREATE TABLE TOBARI_SCHEMA (VERSION integer NOT NULL)"));
        // Replaced on every start, so that a newer program's functions are
        // the ones in use.
        installServerFunctions(db);
        for (const TableDef &t : Schema::tables()) {
            if (!hasTable(db, t.name)) {
                db.execute(createSql(t.name));
            } else {
                for (const ColumnDef &c : t.columns) {
                    if (!hasColumn(db, t.name, c.name))
                        db.execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(t.name, columnSql(c)));
                }
            }
            int n = 0;
            for (const QStringList &idx : t.indexes)
                db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS IX_%1_%2 ON %1 (%3)")
                               .arg(t.name)
                               .arg(++n)
                               .arg(idx.join(QLatin1Char(','))));
        }
        if (fresh) {
            db.executeScript(readResource(QStringLiteral(":/db/data_defaults.sql")));
            db.executeScript(readResource(QStringLiteral(":/db/common_defaults.sql")));
        }
        db.execute(QStringLiteral("DELETE FROM TOBARI_SCHEMA"));
        db.execute(QStringLiteral("INSERT INTO TOBARI_SCHEMA (VERSION) VALUES (?)"), {Schema::Version});
        db.commit();
    } catch (...) {
        try {
            db.rollback();
        } catch (...) {
        }
        throw;
    }
}

} // namespace ServerSchema
