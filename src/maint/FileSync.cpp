#include "maint/FileSync.h"

#include "store/DbError.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileSync {

#ifdef Q_OS_WIN

void syncFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' をディスクに書き込めません。").arg(path));
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(f.handle()));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' をディスクに書き込めません。").arg(path));
}

void syncFolder(const QString &)
{
}

void takePermissions(const QString &original, const QString &copy)
{
    // Windows keeps access rules in the folder's inherited lists; the
    // read-only attribute is all a file carries of its own.
    if (!QFile::setPermissions(copy, QFile::permissions(original)))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' の属性を設定できません。").arg(copy));
}

#else

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

void takePermissions(const QString &original, const QString &copy)
{
    struct stat st {};
    if (::stat(QFile::encodeName(original).constData(), &st) != 0)
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' の属性を読めません。").arg(original));
    const QByteArray target = QFile::encodeName(copy);
    // Owner first: a change of owner may clear the set-id bits of the mode.
    // Only the superuser may give a file away; a member of the group may
    // still give it the group, so that is tried on its own.
    if (::chown(target.constData(), st.st_uid, st.st_gid) != 0)
        (void)::chown(target.constData(), uid_t(-1), st.st_gid);
    if (::chmod(target.constData(), st.st_mode & 07777) != 0)
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' の属性を設定できません。").arg(copy));
}

#endif

} // namespace FileSync
