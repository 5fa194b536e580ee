#include "store/DataFolder.h"

#include "store/AppFolder.h"
#include "store/Connection.h"
#include "store/Database.h"
#include "store/FolderLock.h"
#include "store/Schema.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace DataFolder {
namespace {

QStringList &installRoots()
{
    static QStringList roots;
    return roots;
}

QString readResource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(DbErr::FileNotFound, QStringLiteral("既定データ '%1' がありません。").arg(path));
    return QString::fromUtf8(f.readAll());
}

void removeQuietly(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Builds data.db (and common.db when `withCommon`) under temporary names,
// then renames them into place.
void createDatabases(bool withCommon)
{
    const QString dataPath = AppFolder::file(QStringLiteral("data.db"));
    const QString commonPath = AppFolder::file(QStringLiteral("common.db"));
    const QString dataTmp = dataPath + QStringLiteral(".new");
    const QString commonTmp = commonPath + QStringLiteral(".new");
    removeQuietly(dataTmp);
    if (withCommon)
        removeQuietly(commonTmp);
    try {
        {
            auto db = Database::open(dataTmp, true);
            db->attach(withCommon ? commonTmp : commonPath, Schema::commonSchema(), withCommon);
            Schema::ensure(*db, withCommon);
            Transaction tx(*db);
            db->executeScript(readResource(QStringLiteral(":/db/data_defaults.sql")));
            if (withCommon)
                db->executeScript(readResource(QStringLiteral(":/db/common_defaults.sql")));
            tx.commit();
        }
        if (withCommon && !QFile::rename(commonTmp, commonPath))
            throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(commonPath));
        if (!QFile::rename(dataTmp, dataPath))
            throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(dataPath));
    } catch (...) {
        removeQuietly(dataTmp);
        if (withCommon)
            removeQuietly(commonTmp);
        throw;
    }
}

// Whether `path` is a whole database of ours: readable, passing the
// integrity check, and holding the numbering table every data.db has.
bool isCompleteDataFile(const QString &path)
{
    try {
        auto db = Database::open(path);
        return db->scalar(QStringLiteral("PRAGMA main.integrity_check")).toString() == QLatin1String("ok")
            && db->tableExists(QStringLiteral("MST_IDX"), QStringLiteral("main"));
    } catch (const DbError &) {
        return false;
    }
}

} // namespace

void holdForUse()
{
    QDir().mkpath(AppFolder::path());
    if (const auto refused = AppFolderLocks().take(FolderLock::Role::Use, FolderLock::UseWait))
        throw DbError(FolderLock::InUse, refused->message());
}

QString compactedCopyName()
{
    return QStringLiteral("data.db.TEMP");
}

void addInstallRoot(const QString &resourceRoot)
{
    if (!installRoots().contains(resourceRoot))
        installRoots().append(resourceRoot);
}

Result prepare()
{
    Result result;
    const QString root = AppFolder::path();
    if (!QDir().mkpath(root))
        throw DbError(DbErr::PathAccess, QStringLiteral("データフォルダ '%1' を作成できません。").arg(root));
    holdForUse();

    const QString dataPath = AppFolder::file(QStringLiteral("data.db"));
    const QString copyPath = AppFolder::file(compactedCopyName());
    // On a server the databases are the server's: the folder keeps the
    // settings, forms and outputs only.
    const bool server = serverSettings().server;
    if (!server && !QFileInfo::exists(dataPath) && QFileInfo::exists(copyPath)) {
        // Only while no other program has the folder: one that is still
        // compacting would find its copy gone.
        ReplacingFolder replacing;
        if (!replacing)
            throw DbError(FolderLock::InUse, replacing.refusal()->message());
    }
    if (!server && !QFileInfo::exists(dataPath) && QFileInfo::exists(copyPath) && isCompleteDataFile(copyPath)) {
        if (!QFile::rename(copyPath, dataPath))
            throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を '%2' に戻せません。").arg(copyPath, dataPath));
        result.notices << QStringLiteral("データベース (data.db) が見つからなかったため、前回の最適化で作成した "
                                         "%1 を data.db として戻しました。").arg(compactedCopyName());
    }

    if (!server && !QFileInfo::exists(dataPath)) {
        const bool withCommon = !QFileInfo::exists(AppFolder::file(QStringLiteral("common.db")));
        createDatabases(withCommon);
        if (withCommon)
            result.created << QStringLiteral("common.db");
        result.created << QStringLiteral("data.db");
    }

    for (const QString &res : installRoots()) {
        QDirIterator it(res, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString src = it.next();
            const QString rel = src.mid(res.size() + 1);
            const QString dst = AppFolder::file(rel);
            if (QFileInfo::exists(dst))
                continue;
            QDir().mkpath(QFileInfo(dst).absolutePath());
            QFile in(src);
            QSaveFile out(dst);
            if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0
                || !out.commit())
                throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(dst));
            result.created << rel;
        }
    }
    return result;
}

} // namespace DataFolder
