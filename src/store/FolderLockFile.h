#pragma once
// The operating system's advisory byte-range locks on one file, the only
// platform code of the data-folder lock. A lock belongs to the open file,
// so a program that ends or is killed never leaves one behind. The regions
// used here are single bytes; a shared lock may be turned into an
// exclusive one and back.

#include <QByteArray>
#include <QList>
#include <QString>

class FolderLockFile {
public:
    enum class Mode { Shared, Exclusive };

    FolderLockFile() = default;
    ~FolderLockFile();
    FolderLockFile(const FolderLockFile &) = delete;
    FolderLockFile &operator=(const FolderLockFile &) = delete;

    // Opens (creating) the file; false when it cannot be opened.
    bool open(const QString &path);
    void close();
    bool isOpen() const;

    // Takes the byte at `offset` without waiting; false when another open
    // file holds a conflicting lock. A lock this file already holds on the
    // byte is replaced.
    bool tryLock(qint64 offset, Mode mode);
    void unlock(qint64 offset);
    // Whether another open file holds a lock on the byte that an exclusive
    // request would conflict with (this file's own lock never counts).
    bool heldByOther(qint64 offset);

    // Plain reads and writes at an offset, outside every locked byte.
    bool writeAt(qint64 offset, const QByteArray &bytes);
    QByteArray readAt(qint64 offset, int size);

private:
#ifdef Q_OS_WIN
    void *handle_ = nullptr;
    // A byte this handle holds, and how: Windows locks cannot be converted,
    // so a change of mode unlocks first.
    struct Held {
        qint64 offset;
        Mode mode;
    };
    QList<Held> held_;
#else
    int fd_ = -1;
#endif
};
