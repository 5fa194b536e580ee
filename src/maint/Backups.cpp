#include "maint/Backups.h"

#include "maint/FileSync.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Dialogs.h"
#include "store/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace Backups {
namespace {

const QString DataFile = QStringLiteral("data.db");
const QString CommonFile = QStringLiteral("common.db");
const QString InfoFile = QStringLiteral("backup.json");

// "yyyyMMdd-HHmmss", with "-02" and on for a second backup in one second.
const QRegularExpression &namePattern()
{
    static const QRegularExpression re(QStringLiteral("^\\d{8}-\\d{6}(-\\d{2})?$"));
    return re;
}

QString freeName()
{
    const QString base = Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QDir dir(folder());
    if (!dir.exists(base))
        return base;
    for (int i = 2; i < 100; ++i) {
        const QString n = base + QStringLiteral("-%1").arg(i, 2, 10, QLatin1Char('0'));
        if (!dir.exists(n))
            return n;
    }
    throw DbError(DbErr::PathAccess, QStringLiteral("同じ時刻のバックアップが多すぎます。"));
}

void writeInfo(const QString &path, const QDateTime &made, const QString &reason)
{
    QJsonObject o;
    o.insert(QStringLiteral("made"), made.toString(Qt::ISODate));
    o.insert(QStringLiteral("reason"), reason);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(QJsonDocument(o).toJson()) < 0 || !f.commit())
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を書き込めません。").arg(path));
}

std::optional<BackupEntry> readEntry(const QString &name)
{
    const QDir dir(QDir(folder()).filePath(name));
    if (!namePattern().match(name).hasMatch() || !QFileInfo::exists(dir.filePath(DataFile)))
        return std::nullopt;
    BackupEntry e;
    e.name = name;
    QFile f(dir.filePath(InfoFile));
    if (f.open(QIODevice::ReadOnly)) {
        const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
        e.made = QDateTime::fromString(o.value(QStringLiteral("made")).toString(), Qt::ISODate);
        e.reason = o.value(QStringLiteral("reason")).toString();
    }
    if (!e.made.isValid())
        e.made = QDateTime::fromString(name.left(15), QStringLiteral("yyyyMMdd-HHmmss"));
    return e;
}

void prune(int keep, const QString &spare)
{
    const QList<BackupEntry> all = list();
    int kept = 0;
    for (const BackupEntry &e : all) {
        if (e.name == spare)
            continue;
        if (++kept > keep)
            QDir(QDir(folder()).filePath(e.name)).removeRecursively();
    }
}

// Whether the backup's copy of a file is whole before it replaces anything.
void checkCopy(const QString &path)
{
    auto db = Database::open(path);
    const QString ic = db->scalar(QStringLiteral("PRAGMA main.integrity_check")).toString();
    if (ic != QLatin1String("ok"))
        throw DbError(DbErr::SqliteBase + 11, QStringLiteral("バックアップ '%1' が検査に通りません: %2").arg(path, ic));
}

} // namespace

int keepCount(int configured)
{
    return configured >= 1 && configured <= 99 ? configured : DefaultKeep;
}

QString folder()
{
    return AppFolder::file(QStringLiteral("Backup"));
}

BackupEntry make(Database &db, const QString &reason, int keep, const QString &spare)
{
    if (!QDir().mkpath(folder()))
        throw DbError(DbErr::PathAccess, QStringLiteral("バックアップフォルダ '%1' を作成できません。").arg(folder()));
    BackupEntry e;
    e.name = freeName();
    e.made = Clock::now();
    e.reason = reason;
    QDir root(folder());
    // Hidden while it is written: list() never sees a half-made backup.
    const QString work = root.filePath(QStringLiteral(".") + e.name + QStringLiteral(".partial"));
    QDir(work).removeRecursively();
    try {
        if (!QDir().mkpath(work))
            throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(work));
        const QDir w(work);
        db.backupInto(QStringLiteral("main"), w.filePath(DataFile));
        FileSync::syncFile(w.filePath(DataFile));
        if (db.isAttached(Schema::commonSchema())) {
            db.backupInto(Schema::commonSchema(), w.filePath(CommonFile));
            FileSync::syncFile(w.filePath(CommonFile));
        }
        writeInfo(w.filePath(InfoFile), e.made, reason);
        FileSync::syncFolder(work);
        if (!root.rename(QFileInfo(work).fileName(), e.name))
            throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(root.filePath(e.name)));
        FileSync::syncFolder(folder());
    } catch (...) {
        QDir(work).removeRecursively();
        throw;
    }
    prune(keepCount(keep), spare);
    return e;
}

QList<BackupEntry> list()
{
    QList<BackupEntry> out;
    const QStringList names = QDir(folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString &n : names)
        if (const auto e = readEntry(n))
            out << *e;
    return out;
}

int makeBefore(Database &db, Dialogs &dialogs, const QString &operation, int keep)
{
    try {
        make(db, reasonBefore(operation), keep);
        return 0;
    } catch (const DbError &e) {
        dialogs.message(QStringLiteral("バックアップを作成できませんでした。%1は行いません。\n%2 %3")
                            .arg(operation)
                            .arg(e.number())
                            .arg(e.description()),
                        applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return e.number();
    }
}

int restore(Database &db, Dialogs &dialogs, const QString &name, int keep)
{
    const std::optional<BackupEntry> entry = readEntry(name);
    if (!entry) {
        dialogs.message(QStringLiteral("バックアップ「%1」はありません。").arg(name), applicationTitle(),
                        MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return 1;
    }
    if (!dialogs.confirm(QStringLiteral("データベースをバックアップ「%1」（%2 %3）の状態に戻します。\n"
                                        "現在のデータはバックアップしてから置き換えます。")
                             .arg(entry->name, entry->made.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")),
                                  entry->reason),
                         applicationTitle(), MsgResult::Cancel))
        return 1;
    try {
        const QDir dir(QDir(folder()).filePath(name));
        const bool withCommon = QFileInfo::exists(dir.filePath(CommonFile)) && db.isAttached(Schema::commonSchema());
        checkCopy(dir.filePath(DataFile));
        if (withCommon)
            checkCopy(dir.filePath(CommonFile));
        // The backup being restored is kept even when it is the oldest.
        const BackupEntry before = make(db, reasonRestore(), keep, name);
        db.restoreFrom(QStringLiteral("main"), dir.filePath(DataFile));
        if (withCommon)
            db.restoreFrom(Schema::commonSchema(), dir.filePath(CommonFile));
        if (db.scalar(QStringLiteral("PRAGMA main.user_version")).toInt() < Schema::Version)
            Schema::ensure(db);
        dialogs.message(QStringLiteral("バックアップ「%1」の状態に戻しました。\n元に戻すには「%2」を復元してください。")
                            .arg(name, before.name),
                        applicationTitle(), MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
        return 0;
    } catch (const DbError &e) {
        dialogs.message(QStringLiteral("復元できませんでした。\n%1 %2").arg(e.number()).arg(e.description()),
                        applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return e.number();
    }
}

} // namespace Backups
