// Whole copies of a database: compaction into a new file, backups and
// restores through SQLite's online backup.
#include "store/SqliteDatabase.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

void SqliteDatabase::compactInto(const QString &target)
{
    if (depth_ > 0)
        throw DbError(3034, QStringLiteral("トランザクション中は最適化できません。"));
    if (QFileInfo::exists(target))
        throw DbError(DbErr::PathAccess, QStringLiteral("ファイル '%1' は既に存在します。").arg(target));
    execute(QStringLiteral("VACUUM main INTO ?"), {target});
}

namespace {

// Copies `fromSchema` of `from` into `toSchema` of `to` in one backup run;
// a failure is reported on the destination connection `to`, which throws.
void runBackup(SqliteDatabase &to, const char *toSchema, sqlite3 *from, const char *fromSchema)
{
    sqlite3_backup *b = sqlite3_backup_init(to.handle(), toSchema, from, fromSchema);
    if (!b)
        to.throwError(sqlite3_extended_errcode(to.handle()));
    sqlite3_backup_step(b, -1);
    // finish returns the error of the failed step, or SQLITE_OK once done.
    const int rc = sqlite3_backup_finish(b);
    if (rc != SQLITE_OK)
        to.throwError(rc);
}

} // namespace

void SqliteDatabase::backupInto(const QString &schema, const QString &target)
{
    if (depth_ > 0)
        throw DbError(3034, QStringLiteral("トランザクション中はバックアップできません。"));
    if (QFileInfo::exists(target))
        throw DbError(DbErr::PathAccess, QStringLiteral("ファイル '%1' は既に存在します。").arg(target));
    try {
        auto copy = SqliteDatabase::openFile(target, true);
        runBackup(*copy, "main", db_, schema.toUtf8().constData());
    } catch (...) {
        QFile::remove(target);
        QFile::remove(target + QStringLiteral("-journal"));
        throw;
    }
}

void SqliteDatabase::restoreFrom(const QString &schema, const QString &source)
{
    if (depth_ > 0)
        throw DbError(3034, QStringLiteral("トランザクション中は復元できません。"));
    auto from = Database::open(source);
    runBackup(*this, schema.toUtf8().constData(), from->handle(), "main");
}
