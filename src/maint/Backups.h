#pragma once
// Backups of the two database files under AppFolder/Backup. One backup is
// one folder named after the moment it was made ("20261210-093000"), holding
// data.db, common.db and backup.json (when and why). Copies go through the
// engine's online backup of the open connection, never a copy of an open
// file, and are built under a hidden working name that is renamed when
// complete, so a folder under a backup's name is always whole. Only the
// newest `keep` backups stay (Gyoum.ini BACKUP_KEEP, 1 to 99, default 10),
// newest by the time in backup.json; the one just made always stays.
// A working folder an interrupted backup left is removed by the next backup
// once no other program can be writing it.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Database;
class Dialogs;

struct BackupEntry {
    QString name;        // the folder name
    QDateTime made;
    QString reason;
};

namespace Backups {

constexpr int DefaultKeep = 10;

// The operations that take a backup first, and why a backup was made as
// the list shows it ("全データ削除の前").
inline QString opDeleteAll() { return QStringLiteral("全データ削除"); }
inline QString opRetention() { return QStringLiteral("保存データ削除"); }
inline QString opCompaction() { return QStringLiteral("最適化"); }
inline QString opRestore() { return QStringLiteral("復元"); }
inline QString reasonBefore(const QString &operation) { return operation + QStringLiteral("の前"); }
inline QString reasonDeleteAll() { return reasonBefore(opDeleteAll()); }
inline QString reasonRetention() { return reasonBefore(opRetention()); }
inline QString reasonCompaction() { return reasonBefore(opCompaction()); }
inline QString reasonRestore() { return reasonBefore(opRestore()); }
inline QString reasonOnDemand() { return QStringLiteral("手動"); }

// The configured count when it is 1 to 99, else the default.
int keepCount(int configured);

// AppFolder/Backup.
QString folder();

// Copies the main file and the attached common.db of `db` (outside any
// transaction) into a new backup, then removes the oldest beyond `keep`;
// `spare` names a backup that is never removed. Throws DbError; a failed
// backup leaves nothing under a backup's name.
BackupEntry make(Database &db, const QString &reason, int keep, const QString &spare = QString());

// Every complete backup, newest first.
QList<BackupEntry> list();

// The backup `operation` (opDeleteAll() ...) needs before it changes
// anything: 0 when made; otherwise the error is shown ("... 全データ削除は
// 行いません。") and its number returned, and the caller must stop.
int makeBefore(Database &db, Dialogs &dialogs, const QString &operation, int keep);

// A seam in the restore: called after each file took its new name (tests
// stop the sequence here as a crash would).
struct RestoreSteps {
    std::function<void(const QString &target)> afterRename;
};

// Puts the database back to backup `name`: asks first (Cancel preselected),
// then, holding the data folder to itself, backs up the current state
// (reason "復元の前", so the restore can itself be undone), copies both
// files of the backup beside data.db and common.db and checks the copies,
// records the intent (restore.intent) and renames both copies into place.
// Both files are replaced or neither: a failure before the renames leaves
// both as they were and says so; once the record is written, the next
// start finishes an interrupted restore (finishInterruptedRestore). The
// application connection (opened when it is not) is closed for the renames
// and opened again on the restored files. 0 done, 1 declined or no such
// backup, FolderLock::InUse when other programs hold the folder, or the
// error number after its message.
int restore(Dialogs &dialogs, const QString &name, int keep, const RestoreSteps &steps = {});

// Start-up, before anything opens the databases: completes a restore that
// was interrupted after its record was written. Returns the notice for the
// operator (empty when there was nothing to finish). Throws DbError
// (FolderLock::InUse when another program holds the folder).
QStringList finishInterruptedRestore();

} // namespace Backups
