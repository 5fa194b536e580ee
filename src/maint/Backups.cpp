#include "maint/Backups.h"

#include "maint/FileSync.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Connection.h"
#include "store/Dialogs.h"
#include "store/FolderLock.h"
#include "store/Schema.h"

#include <QDir>
#include <QJsonArray>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace Backups {
namespace {

const QString DataFile = QStringLiteral("data.db");
const QString CommonFile = QStringLiteral("common.db");
const QString InfoFile = QStringLiteral("backup.json");
// Inside a working folder: the program writing it (FolderLock::Holder::id).
const QString WriterFile = QStringLiteral("writer");
// In the data folder while a restore puts its copies in place.
const QString IntentFile = QStringLiteral("restore.intent");
const QString RestoringSuffix = QStringLiteral(".restore");

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

// Keeps the newest by the time each was made (a clock set back makes names
// sort wrong), the one just made whatever its time says, and the one a
// restore is using.
void prune(int keep, const QString &justMade, const QString &spare)
{
    const QList<BackupEntry> all = list();
    int kept = 1;   // the one just made
    for (const BackupEntry &e : all) {
        if (e.name == justMade || e.name == spare)
            continue;
        if (++kept > keep)
            QDir(QDir(folder()).filePath(e.name)).removeRecursively();
    }
}

QString workName(const QString &name)
{
    return QStringLiteral(".") + name + QStringLiteral(".partial");
}

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

// Working folders of interrupted backups take a full copy of both files
// each. One goes when no other program holds the data folder, when the
// program that wrote it holds the folder no more, or, not knowing its
// writer, when it was begun before the backup now running.
void removeLeftovers(const QString &running)
{
    const QRegularExpression work(QStringLiteral("^\\.(\\d{8}-\\d{6}(-\\d{2})?)\\.partial$"));
    QStringList live;
    for (const FolderLock::Holder &h : AppFolderLocks().others())
        live << h.id();
    const QDir root(folder());
    for (const QString &n : root.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = work.match(n);
        if (!m.hasMatch() || m.captured(1) == running)
            continue;
        const QString writer = readText(QDir(root.filePath(n)).filePath(WriterFile));
        const bool gone = live.isEmpty() || (!writer.isEmpty() && !live.contains(writer))
            || (writer.isEmpty() && m.captured(1) < running);
        if (gone)
            QDir(root.filePath(n)).removeRecursively();
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

struct Replacement {
    QString copy;     // the file that takes the name
    QString target;   // the name, in the data folder
};

void renameOver(const QString &from, const QString &to)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdString()), std::filesystem::path(to.toStdString()), ec);
    if (ec)
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を '%2' に置き換えられません: %3")
                                             .arg(from, to, QString::fromLocal8Bit(ec.message().c_str())));
}

// The record a start-up finishes an interrupted restore from: which working
// copy takes which name. Written and synced before the first rename.
void writeIntent(const QList<Replacement> &files, const QString &backup, const QString &undo)
{
    QJsonArray list;
    for (const Replacement &f : files)
        list.append(QJsonObject{{QStringLiteral("copy"), QFileInfo(f.copy).fileName()},
                                {QStringLiteral("target"), QFileInfo(f.target).fileName()}});
    const QJsonObject o{{QStringLiteral("backup"), backup}, {QStringLiteral("undo"), undo},
                        {QStringLiteral("files"), list}};
    const QString path = AppFolder::file(IntentFile);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(QJsonDocument(o).toJson()) < 0 || !f.commit())
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を書き込めません。").arg(path));
    FileSync::syncFile(path);
    FileSync::syncFolder(AppFolder::path());
}

// The application connection on whatever files now carry the names.
int reopen(Dialogs &dialogs)
{
    if (AppConnection())
        return 0;
    const int rc = OpenDatabase(true);
    if (rc != 0)
        dialogs.message(dataAccessErrorText(rc), applicationTitle(), MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
    return rc;
}

void removeIntent()
{
    const QString path = AppFolder::file(IntentFile);
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を削除できません。").arg(path));
    FileSync::syncFolder(AppFolder::path());
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
    removeLeftovers(e.name);
    // Hidden while it is written: list() never sees a half-made backup.
    const QString work = root.filePath(workName(e.name));
    QDir(work).removeRecursively();
    try {
        if (!QDir().mkpath(work))
            throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(work));
        const QDir w(work);
        {
            QFile writer(w.filePath(WriterFile));
            if (!writer.open(QIODevice::WriteOnly) || writer.write(AppFolderLocks().self().id().toUtf8()) < 0)
                throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(w.filePath(WriterFile)));
        }
        db.backupInto(QStringLiteral("main"), w.filePath(DataFile));
        FileSync::syncFile(w.filePath(DataFile));
        if (db.isAttached(Schema::commonSchema())) {
            db.backupInto(Schema::commonSchema(), w.filePath(CommonFile));
            FileSync::syncFile(w.filePath(CommonFile));
        }
        writeInfo(w.filePath(InfoFile), e.made, reason);
        QFile::remove(w.filePath(WriterFile));
        FileSync::syncFolder(work);
        if (!root.rename(QFileInfo(work).fileName(), e.name))
            throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(root.filePath(e.name)));
        FileSync::syncFolder(folder());
    } catch (...) {
        QDir(work).removeRecursively();
        throw;
    }
    prune(keepCount(keep), e.name, spare);
    return e;
}

QList<BackupEntry> list()
{
    QList<BackupEntry> out;
    const QStringList names =
        QDir(folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString &n : names)
        if (const auto e = readEntry(n))
            out << *e;
    // Newest first by when each was made; within one second by name.
    std::stable_sort(out.begin(), out.end(),
                     [](const BackupEntry &a, const BackupEntry &b) { return a.made > b.made; });
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

int restore(Dialogs &dialogs, const QString &name, int keep, const RestoreSteps &steps)
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
    // Another program's connection would go on writing to the files put aside.
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
    Database &db = RequireConnection();
    const QDir dir(QDir(folder()).filePath(name));
    QList<Replacement> files{{dir.filePath(DataFile), AppFolder::file(DataFile)}};
    if (QFileInfo::exists(dir.filePath(CommonFile)) && db.isAttached(Schema::commonSchema()))
        files.append({dir.filePath(CommonFile), AppFolder::file(CommonFile)});
    BackupEntry before;
    try {
        db.checkRestorable();
        for (const Replacement &f : files)
            checkCopy(f.copy);
        // The backup being restored is kept even when it is the oldest.
        before = make(db, reasonRestore(), keep, name);
        // Working copies beside the files they replace, checked, so that
        // the renames below cannot fail half-way for want of space.
        for (Replacement &f : files) {
            const QString working = f.target + RestoringSuffix;
            QFile::remove(working);
            if (!QFile::copy(f.copy, working))
                throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(working));
            FileSync::syncFile(working);
            checkCopy(working);
            f.copy = working;
        }
        for (const Replacement &f : files)
            if (QFileInfo::exists(f.target + QStringLiteral("-journal")))
                throw DbError(DbErr::PathAccess,
                              QStringLiteral("'%1' のジャーナルが残っているため置き換えられません。").arg(f.target));
        OpenDatabase(false);
        writeIntent(files, name, before.name);
    } catch (const DbError &e) {
        QFile::remove(AppFolder::file(IntentFile));
        for (const Replacement &f : files)
            if (f.copy.endsWith(RestoringSuffix))
                QFile::remove(f.copy);
        reopen(dialogs);
        dialogs.message(QStringLiteral("復元できませんでした。データベースは元のままです。\n%1 %2")
                            .arg(e.number())
                            .arg(e.description()),
                        applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return e.number();
    }
    // From here on the record finishes what is begun, now or at the next start.
    try {
        for (const Replacement &f : files) {
            renameOver(f.copy, f.target);
            if (steps.afterRename)
                steps.afterRename(f.target);
        }
        FileSync::syncFolder(AppFolder::path());
        removeIntent();
    } catch (const DbError &e) {
        dialogs.message(QStringLiteral("復元が途中で止まりました。次回の起動時に残りを置き換えて完了します。\n"
                                       "元に戻すには、その後で「%1」を復元してください。\n%2 %3")
                            .arg(before.name)
                            .arg(e.number())
                            .arg(e.description()),
                        applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return e.number();
    }
    // Opening brings a backup of an older version up to date.
    const int reopened = reopen(dialogs);
    dialogs.message(QStringLiteral("バックアップ「%1」の状態に戻しました。\n元に戻すには「%2」を復元してください。")
                        .arg(name, before.name),
                    applicationTitle(), MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
    return reopened;
}

QStringList finishInterruptedRestore()
{
    const QString intentPath = AppFolder::file(IntentFile);
    if (!QFileInfo::exists(intentPath))
        return {};
    ReplacingFolder replacing;
    if (!replacing)
        throw DbError(FolderLock::InUse, replacing.refusal()->message());
    QFile f(intentPath);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を読めません。").arg(intentPath));
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    f.close();
    const QJsonArray files = o.value(QStringLiteral("files")).toArray();
    if (files.isEmpty()) {
        // The record itself was cut short: nothing was renamed yet.
        removeIntent();
        return {};
    }
    for (const QJsonValue &v : files) {
        const QString copy = AppFolder::file(v.toObject().value(QStringLiteral("copy")).toString());
        const QString target = AppFolder::file(v.toObject().value(QStringLiteral("target")).toString());
        if (!QFileInfo::exists(copy))
            continue;   // already in place
        // A journal left beside the file put aside belongs to that file.
        QFile::remove(target + QStringLiteral("-journal"));
        renameOver(copy, target);
    }
    FileSync::syncFolder(AppFolder::path());
    removeIntent();
    return {QStringLiteral("前回中断した復元（バックアップ「%1」）を完了しました。元に戻すには「%2」を復元してください。")
                .arg(o.value(QStringLiteral("backup")).toString(), o.value(QStringLiteral("undo")).toString())};
}

} // namespace Backups
