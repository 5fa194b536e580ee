#include "app/ClsFileOP.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

bool ClsFileOP::Copy(bool, bool)
{
    if (!QFileInfo::exists(fromFile) || toFile.isEmpty())
        return false;
    const QString tmp = toFile + QStringLiteral(".part");
    QFile::remove(tmp);
    if (!QFile::copy(fromFile, tmp))
        return false;
    QFile::remove(toFile);
    return QFile::rename(tmp, toFile);
}

bool ClsFileOP::Delete(bool, bool, bool Trash)
{
    if (!QFileInfo::exists(fromFile))
        return false;
    if (Trash) {
        // Qt falls back to a trash beside the working folder when the data
        // home is missing; make sure the desktop's own trash is used.
        const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (home.isEmpty() || !QDir().mkpath(home))
            return false;
        return QFile::moveToTrash(fromFile);
    }
    return QFile::remove(fromFile);
}
