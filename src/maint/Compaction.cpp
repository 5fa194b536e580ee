#include "maint/Compaction.h"

#include "maint/Backups.h"
#include "maint/FileSync.h"
#include "store/AppFolder.h"
#include "store/Database.h"
#include "store/Connection.h"
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
    if (!AppConnection()) {
        if (const int rc = OpenDatabase(true)) {
            dialogs.message(dataAccessErrorText(rc), applicationTitle(), MsgIcon::None, MsgButtons::Ok,
                            MsgResult::Ok);
            return rc;
        }
    }
    const int backup = Backups::makeBefore(RequireConnection(), dialogs, Backups::opCompaction(), backupKeep);
    OpenDatabase(false);
    if (backup != 0)
        return backup;
    return compactDataFolder(dialogs, steps);
}

} // namespace Compaction
