#pragma once
// Compaction of data.db: the file is rewritten without the space of deleted
// rows. It can never lose the database: the compacted copy is written to
// data.db.TEMP, checked (integrity, the same tables with the same row
// counts), synced, and only then renamed over data.db in one atomic step.
// Any failure before the rename leaves data.db as it was. common.db is
// shared with other installations and is not compacted.

#include <QString>

#include <functional>

class Database;
class Dialogs;

namespace Compaction {

// A seam between the steps: called with the copy's path once it is written
// and synced, before it is checked (tests damage it or fail here).
struct Steps {
    std::function<void(const QString &copyPath)> afterCopy;
};

// Compacts the database file `dataPath` (no connection may hold it). A
// leftover copy from an earlier run is deleted first, but only after
// data.db passed its integrity check. Throws DbError; data.db is then
// unchanged and no copy that failed its check is left behind.
void compactFile(const QString &dataPath, const Steps &steps = {});

// Compacts AppFolder/data.db; the application connection must be closed.
// A failure shows "エラーが発生しました。" with its description and
// returns the error number; 0 when done.
int compactDataFolder(Dialogs &dialogs, const Steps &steps = {});

// The compaction the application runs (the compaction screen, the batch
// command): a backup of both files through the application connection
// (opened when it is not), then the connection is closed and data.db
// compacted. The connection stays closed. 0 done, or the error number
// after its message; a failed backup stops before the compaction. The
// whole run holds the folder to itself (FolderLock::Role::Replace); when
// other programs hold it past the wait, nothing is done and
// FolderLock::InUse returned after the message.
int compactApplicationDatabase(Dialogs &dialogs, int backupKeep, const Steps &steps = {});

// At the main screen's close: compacts as compactApplicationDatabase does;
// when other programs hold the folder the request is kept (isPending) for
// the next close and the operator told. FolderLock::InUse then.
int compactAtClose(Dialogs &dialogs, int backupKeep);

// Whether an earlier close had to leave its compaction for later.
bool isPending(Database &db);
QString pendingKey();

} // namespace Compaction
