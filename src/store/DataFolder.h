#pragma once
// Completes a data folder on start: a missing database is created with the
// schema and its default content, a missing installed file (forms,
// templates, layouts) is written from the copy built into the executable.
// An existing file is never overwritten.

#include <QString>
#include <QStringList>

namespace DataFolder {

struct Result {
    QStringList created;   // files written, relative to the data folder
    QStringList notices;   // what start-up repaired, for the operator
};

// Creates the folder itself, data.db and common.db when data.db is missing
// (common.db only when it is missing too), and every installed file that is
// missing. Throws DbError when a file cannot be written; a database is built
// under a temporary name and renamed when complete, so a failure never
// leaves a half-made database behind.
//
// A compaction writes its copy to data.db.TEMP and renames it over data.db.
// When data.db is missing and a complete data.db.TEMP is there (it passes
// the engine's integrity check and holds the numbering table), the copy is
// put in place instead of a new empty database, and a notice says so; that
// repair needs the folder to itself (FolderLock::Role::Replace).
Result prepare();

// Holds the data folder for use (creating the folder's lock file), waiting
// while another program replaces its databases; throws DbError
// FolderLock::InUse when the wait runs out. prepare() does this first.
void holdForUse();

// The name a compaction writes its copy under.
QString compactedCopyName();

// Registers installed files: every file under the Qt resource folder
// `resourceRoot` is written to the same relative path in the data folder.
void addInstallRoot(const QString &resourceRoot);

} // namespace DataFolder
