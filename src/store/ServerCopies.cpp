// Whole copies of the server's tables: backups into SQLite files of the
// data folder's layout, and the space of deleted rows given back in place.
#include "store/PgDatabase.h"

#include "store/Schema.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The program's tables of one home: data.db's, or the shared ones of
// common.db.
QList<TableDef> homeTables(const QString &schema)
{
    const TableDef::Home home = schema == Schema::commonSchema() ? TableDef::Common : TableDef::Data;
    QList<TableDef> out;
    for (const TableDef &t : Schema::tables())
        if (t.home == home)
            out << t;
    return out;
}

QStringList columnNames(const TableDef &t)
{
    QStringList out;
    for (const ColumnDef &c : t.columns)
        out << c.name;
    return out;
}

QString placeholders(qsizetype n)
{
    QStringList marks;
    for (qsizetype i = 0; i < n; ++i)
        marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

} // namespace

bool PgDatabase::compact()
{
    if (conn_->transactionDepth() > 0)
        throw DbError(3034, QStringLiteral("トランザクション中は最適化できません。"));
    QStringList names;
    for (const TableDef &t : Schema::tables())
        if (tableExists(t.name))
            names << t.name;
    if (!names.isEmpty())
        conn_->execute(QStringLiteral("VACUUM (ANALYZE) ") + names.join(QLatin1Char(',')));
    return true;
}

void PgDatabase::backupInto(const QString &schema, const QString &target)
{
    if (conn_->transactionDepth() > 0)
        throw DbError(3034, QStringLiteral("トランザクション中はバックアップできません。"));
    if (QFileInfo::exists(target))
        throw DbError(DbErr::PathAccess, QStringLiteral("ファイル '%1' は既に存在します。").arg(target));
    try {
        auto copy = Database::open(target, true);
        // One snapshot for every table: a desk committing meanwhile is
        // either wholly in the copy or not at all.
        conn_->begin();
        conn_->execute(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
        Transaction tx(*copy);
        for (const TableDef &t : homeTables(schema)) {
            copy->execute(Schema::createSql(t, QStringLiteral("main")));
            if (!tableExists(t.name))
                continue;
            const QStringList cols = columnNames(t);
            Statement insert = copy->prepare(QStringLiteral("INSERT INTO main.\"%1\"(%2) VALUES (%3)")
                                                 .arg(t.name, cols.join(QLatin1Char(',')), placeholders(cols.size())));
            // A cursor keeps memory flat however many rows the table has.
            conn_->execute(QStringLiteral("DECLARE tobari_copy NO SCROLL CURSOR FOR SELECT %1 FROM %2")
                               .arg(cols.join(QLatin1Char(',')), t.name));
            for (;;) {
                PgRows rows = conn_->query(QStringLiteral("FETCH 2000 FROM tobari_copy"));
                if (rows.eof())
                    break;
                for (; !rows.eof(); rows.moveNext()) {
                    for (int i = 0; i < cols.size(); ++i)
                        insert.bind(i + 1, rows.field(i));
                    insert.execute();
                }
            }
            conn_->execute(QStringLiteral("CLOSE tobari_copy"));
        }
        copy->execute(QStringLiteral("PRAGMA main.user_version = %1").arg(Schema::Version));
        tx.commit();
        conn_->rollback();
    } catch (...) {
        if (conn_->transactionDepth() > 0) {
            try {
                conn_->rollback();
            } catch (...) {
            }
        }
        QFile::remove(target);
        QFile::remove(target + QStringLiteral("-journal"));
        throw;
    }
}

void PgDatabase::checkRestorable() const
{
    throw DbError(DbErr::ServerBase,
                  QStringLiteral("サーバーのデータベースへのバックアップからの復元には、まだ対応していません。"
                                 "データベースは変更していません。"));
}

void PgDatabase::restoreFrom(const QString &, const QString &)
{
    checkRestorable();
}
