#include "store/FileTrash.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace FileTrash {

bool move(const QString &path)
{
    // Qt makes the trash folder only inside an existing data home; without
    // one it would move the file into a trash beside the working folder.
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (home.isEmpty() || !QDir().mkpath(home))
        return false;
    return QFile::moveToTrash(path);
}

} // namespace FileTrash
