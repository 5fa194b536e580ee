#include "maint/FileSync.h"

#include "store/DbError.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace FileSync {

void syncFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || ::fsync(f.handle()) != 0)
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' をディスクに書き込めません。").arg(path));
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace FileSync
