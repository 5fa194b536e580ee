#include "app/ClsFileOP.h"

#include "store/FileTrash.h"

#include <QFile>
#include <QFileInfo>

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
    if (Trash)
        return FileTrash::move(fromFile);
    return QFile::remove(fromFile);
}
