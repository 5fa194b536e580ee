#pragma once
// Forcing written files to the disk before a rename publishes them, so a
// power cut never leaves a name pointing at data that was not written; and
// giving a file that replaces another the permissions of the one it
// replaces.

#include <QString>

namespace FileSync {

// Throws DbError 75 when the file cannot be opened or synced.
void syncFile(const QString &path);
// The folder entry of a rename; failures are ignored (not every file
// system can sync a folder, and Windows has no such call: its renames are
// written with the folder's metadata).
void syncFolder(const QString &folder);

// Gives `copy` the mode and, where this process may set them, the owner and
// group of `original`, so that a file renamed over another keeps what the
// folder's users rely on (a group sharing data.db keeps its write access).
// Throws DbError 75 when the mode cannot be set; an owner this process may
// not give is left as it is.
void takePermissions(const QString &original, const QString &copy);

} // namespace FileSync
