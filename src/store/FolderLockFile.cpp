#include "store/FolderLockFile.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

FolderLockFile::~FolderLockFile()
{
    close();
}

#ifdef Q_OS_WIN

namespace {
OVERLAPPED at(qint64 offset)
{
    OVERLAPPED o{};
    o.Offset = DWORD(quint64(offset) & 0xffffffffu);
    o.OffsetHigh = DWORD(quint64(offset) >> 32);
    return o;
}
} // namespace

bool FolderLockFile::open(const QString &path)
{
    close();
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    handle_ = h;
    return true;
}

void FolderLockFile::close()
{
    if (handle_) {
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
    held_.clear();
}

bool FolderLockFile::isOpen() const
{
    return handle_ != nullptr;
}

bool FolderLockFile::tryLock(qint64 offset, Mode mode)
{
    for (int i = 0; i < held_.size(); ++i) {
        if (held_[i].offset != offset)
            continue;
        if (held_[i].mode == mode)
            return true;
        // Windows cannot convert a lock: give it up, then ask anew, and take
        // the old one back when the new one is refused.
        const Mode old = held_[i].mode;
        unlock(offset);
        if (tryLock(offset, mode))
            return true;
        tryLock(offset, old);
        return false;
    }
    OVERLAPPED o = at(offset);
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (!LockFileEx(static_cast<HANDLE>(handle_), flags, 0, 1, 0, &o))
        return false;
    held_.append({offset, mode});
    return true;
}

void FolderLockFile::unlock(qint64 offset)
{
    for (int i = 0; i < held_.size(); ++i) {
        if (held_[i].offset == offset) {
            OVERLAPPED o = at(offset);
            UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &o);
            held_.removeAt(i);
            return;
        }
    }
}

bool FolderLockFile::heldByOther(qint64 offset)
{
    for (const Held &h : held_)
        if (h.offset == offset)
            return false;   // ours: another holder would have kept us out
    OVERLAPPED o = at(offset);
    if (!LockFileEx(static_cast<HANDLE>(handle_), LOCKFILE_FAIL_IMMEDIATELY | LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0,
                    &o))
        return true;
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &o);
    return false;
}

bool FolderLockFile::writeAt(qint64 offset, const QByteArray &bytes)
{
    OVERLAPPED o = at(offset);
    DWORD written = 0;
    return WriteFile(static_cast<HANDLE>(handle_), bytes.constData(), DWORD(bytes.size()), &written, &o)
        && written == DWORD(bytes.size());
}

QByteArray FolderLockFile::readAt(qint64 offset, int size)
{
    QByteArray out(size, '\0');
    OVERLAPPED o = at(offset);
    DWORD read = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), out.data(), DWORD(size), &read, &o))
        return {};
    out.truncate(int(read));
    return out;
}

#else

namespace {

// Locks of the open file description (Linux) belong to this open file, not
// to the whole process, so closing another descriptor of the same file never
// drops them; elsewhere the classic process-wide locks serve.
#ifdef F_OFD_SETLK
constexpr int SetLock = F_OFD_SETLK;
constexpr int GetLock = F_OFD_GETLK;
#else
constexpr int SetLock = F_SETLK;
constexpr int GetLock = F_GETLK;
#endif

struct flock byteAt(qint64 offset, short type)
{
    struct flock l{};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    l.l_start = off_t(offset);
    l.l_len = 1;
    l.l_pid = 0;
    return l;
}

int retrying(int fd, int cmd, struct flock *l)
{
    int rc;
    do
        rc = ::fcntl(fd, cmd, l);
    while (rc != 0 && errno == EINTR);
    return rc;
}

} // namespace

bool FolderLockFile::open(const QString &path)
{
    close();
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    return fd_ >= 0;
}

void FolderLockFile::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool FolderLockFile::isOpen() const
{
    return fd_ >= 0;
}

bool FolderLockFile::tryLock(qint64 offset, Mode mode)
{
    struct flock l = byteAt(offset, mode == Mode::Exclusive ? F_WRLCK : F_RDLCK);
    return retrying(fd_, SetLock, &l) == 0;
}

void FolderLockFile::unlock(qint64 offset)
{
    struct flock l = byteAt(offset, F_UNLCK);
    retrying(fd_, SetLock, &l);
}

bool FolderLockFile::heldByOther(qint64 offset)
{
    struct flock l = byteAt(offset, F_WRLCK);
    if (retrying(fd_, GetLock, &l) != 0)
        return false;
    return l.l_type != F_UNLCK;
}

bool FolderLockFile::writeAt(qint64 offset, const QByteArray &bytes)
{
    return ::pwrite(fd_, bytes.constData(), size_t(bytes.size()), off_t(offset)) == bytes.size();
}

QByteArray FolderLockFile::readAt(qint64 offset, int size)
{
    QByteArray out(size, '\0');
    const ssize_t n = ::pread(fd_, out.data(), size_t(size), off_t(offset));
    out.truncate(n > 0 ? int(n) : 0);
    return out;
}

#endif
