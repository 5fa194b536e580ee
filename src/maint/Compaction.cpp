#include "maint/Compaction.h"

#include "maint/Backups.h"
#include "maint/FileSync.h"
#include "store/AppFolder.h"
#include "store/Database.h"
#include "store/Connection.h"
#include "store/Conditions.h"
#include "store/FolderLock.h"
#include "store/Literals.h"
#include "store/Dialogs.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <memory>
#include <system_error>

namespace Compaction {
namespace {

constexpr int Corrupt = DbErr::SqliteBase + 11;   // SQLITE_CORRUPT

QString integrity(Database &db)
{
    return db.scalar(QStringLiteral("PRAGMA main.integrity_check")).toString();
}

// Every table of the main file with its row count, in catalogue order.
QList<QPair<QString, qint64>> tableCounts(Database &db)
{
    QList<QPair<QString, qint64>> out;
    for (const QString &t : db.tables(QStringLiteral("main")))
        out << qMakePair(t, db.scalar(QStringLiteral("SELECT count(*) FROM main.\"%1\"").arg(t)).toLongLong());
    return out;
}

// Throws unless the copy at `copyPath` is whole and holds what `source` holds.
void checkCopy(Database &source, const QString &copyPath)
{
    auto copy = Database::open(copyPath);
    const QString ic = integrity(*copy);
    if (ic != QLatin1String("ok"))
        throw DbError(Corrupt, QStringLiteral("最適化したコピーが検査に通りません: %1").arg(ic));
    const auto want = tableCounts(source);
    const auto got = tableCounts(*copy);
    if (want != got) {
        QString detail;
        for (const auto &w : want) {
            qint64 n = -1;
            for (const auto &g : got)
                if (g.first == w.first)
                    n = g.second;
            if (n != w.second) {
                detail = n < 0 ? QStringLiteral("表 %1 がありません").arg(w.first)
                               : QStringLiteral("表 %1 の行数 %2 → %3").arg(w.first).arg(w.second).arg(n);
                break;
            }
        }
        if (detail.isEmpty())
            detail = QStringLiteral("表の構成が違います");
        throw DbError(Corrupt, QStringLiteral("最適化したコピーが元と一致しません (%1)。").arg(detail));
    }
    if (copy->scalar(QStringLiteral("PRAGMA main.user_version")) != source.scalar(QStringLiteral("PRAGMA main.user_version")))
        throw DbError(Corrupt, QStringLiteral("最適化したコピーのスキーマ版数が元と一致しません。"));
}

void removeFile(const QString &path)
{
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を削除できません。").arg(path));
}

} // namespace

void compactFile(const QString &dataPath, const Steps &steps)
{
    const QString copyPath = dataPath + QStringLiteral(".TEMP");
    std::unique_ptr<Database> source = Database::open(dataPath);
    // Opening and reading rolls back a journal an interrupted transaction
    // left; a damaged file is not rewritten, and a leftover copy stays
    // until data.db is whole again.
    const QString ic = integrity(*source);
    if (ic != QLatin1String("ok"))
        throw DbError(Corrupt, QStringLiteral("data.db が検査に通りません: %1").arg(ic));
    removeFile(copyPath);
    removeFile(copyPath + QStringLiteral("-journal"));

    try {
        source->compactInto(copyPath);
        FileSync::syncFile(copyPath);
        if (steps.afterCopy)
            steps.afterCopy(copyPath);
        checkCopy(*source, copyPath);
    } catch (...) {
        // data.db is intact: a copy that is not known to be good goes.
        QFile::remove(copyPath);
        QFile::remove(copyPath + QStringLiteral("-journal"));
        throw;
    }
    source.reset();
    FileSync::takePermissions(dataPath, copyPath);

    // A journal beside data.db would be played back into the new file.
    if (QFileInfo::exists(dataPath + QStringLiteral("-journal")))
        throw DbError(DbErr::PathAccess, QStringLiteral("data.db のジャーナルが残っているため置き換えられません。"));
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(copyPath.toStdString()),
                            std::filesystem::path(dataPath.toStdString()), ec);
    if (ec)
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を data.db に置き換えられません: %2")
                                             .arg(copyPath, QString::fromLocal8Bit(ec.message().c_str())));
    FileSync::syncFolder(QFileInfo(dataPath).absolutePath());
}

int compactDataFolder(Dialogs &dialogs, const Steps &steps)
{
    // Between the copy and the rename no other program may write: its
    // committed work would go with the old file.
    ReplacingFolder replacing;
    if (!replacing) {
        dialogs.message(replacing.refusal()->message(), applicationTitle(), MsgIcon::Critical, MsgButtons::Ok,
                        MsgResult::Ok);
        return FolderLock::InUse;
    }
    try {
        compactFile(AppFolder::file(QStringLiteral("data.db")), steps);
        return 0;
    } catch (const DbError &e) {
        dialogs.message(QStringLiteral("エラーが発生しました。\n") + e.description(), applicationTitle(),
                        MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
        return e.number();
    }
}

int compactApplicationDatabase(Dialogs &dialogs, int backupKeep, const Steps &steps)
{
    ReplacingFolder replacing;
    if (!replacing) {
        dialogs.message(replacing.refusal()->message(), applicationTitle(), MsgIcon::Critical, MsgButtons::Ok,
                        MsgResult::Ok);
        return FolderLock::InUse;
    }
    if (!AppConnection()) {
        if (const int rc = OpenDatabase(true)) {
            dialogs.message(dataAccessErrorText(rc), applicationTitle(), MsgIcon::None, MsgButtons::Ok,
                            MsgResult::Ok);
            return rc;
        }
    }
    // The folder is ours now: the compaction runs here, whatever it meets.
    SetJoukenValue(RequireConnection(), pendingKey(), QString());
    const int backup = Backups::makeBefore(RequireConnection(), dialogs, Backups::opCompaction(), backupKeep);
    if (backup != 0) {
        OpenDatabase(false);
        return backup;
    }
    try {
        // A server gives the space back in place; the embedded engine's
        // file is copied and replaced with no connection open on it.
        const bool done = RequireConnection().compact();
        OpenDatabase(false);
        if (done)
            return 0;
    } catch (const DbError &e) {
        OpenDatabase(false);
        dialogs.message(QStringLiteral("エラーが発生しました。\n") + e.description(), applicationTitle(),
                        MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
        return e.number();
    }
    return compactDataFolder(dialogs, steps);
}

} // namespace Compaction

namespace Compaction {

QString pendingKey()
{
    return QStringLiteral("COMPACT_PENDING");
}

bool isPending(Database &db)
{
    return GetJoukenValue(db, pendingKey()) == QLatin1String("1");
}

int compactAtClose(Dialogs &dialogs, int backupKeep)
{
    {
        ReplacingFolder replacing;
        if (!replacing) {
            // Kept for the next close: the deleted rows' space is not lost,
            // only not given back yet.
            if (Database *db = AppConnection())
                SetJoukenValue(*db, pendingKey(), QStringLiteral("1"));
            dialogs.message(QStringLiteral("他のプログラム（%1 件）がこのデータフォルダを使用中のため、"
                                           "データベースを最適化できませんでした。\n次回の終了時にもう一度最適化します。")
                                .arg(replacing.refusal()->holders.size()),
                            applicationTitle(), MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
            return FolderLock::InUse;
        }
        return compactApplicationDatabase(dialogs, backupKeep);
    }
}

} // namespace Compaction
