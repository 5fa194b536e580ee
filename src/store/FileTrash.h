#pragma once
// The desktop's trash, where an imported file goes so that the operator can
// fetch it back.

#include <QString>

namespace FileTrash {

// Moves the file at `path` to the trash; false when it could not.
bool move(const QString &path);

} // namespace FileTrash
