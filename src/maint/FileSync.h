#pragma once
// Forcing written files to the disk before a rename publishes them, so a
// power cut never leaves a name pointing at data that was not written.

#include <QString>

namespace FileSync {

// Throws DbError 75 when the file cannot be opened or synced.
void syncFile(const QString &path);
// The folder entry of a rename; failures are ignored (not every file
// system can sync a folder).
void syncFolder(const QString &folder);

} // namespace FileSync
