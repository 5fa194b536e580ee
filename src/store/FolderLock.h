#pragma once
// Who may use a data folder at the same time. Every program that opens a
// data folder holds it for use (shared); a window holds it as the window
// too (one window per folder); an operation that replaces database files
// (compaction, restore, the start-up repair of an interrupted one) holds it
// for replacing (no other program at all). The roles are the engine's
// business: on SQLite they are advisory locks on a lock file in the folder,
// a server engine keeps them as its own session locks. Operations ask only
// this interface.
//
// A role held goes with the program: a program that ends or is killed never
// leaves a role behind. A refused role says who holds the folder.

#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace FolderLock {

enum class Role { Use, Window, Replace };

// Error number of a refusal: the folder is in use by other programs.
constexpr int InUse = 3045;

// A program holding the folder, as its own record says.
struct Holder {
    qint64 pid = 0;
    QString host;
    QString program;    // "画面" or the batch command
    bool window = false;
    bool replacing = false;
    QString id() const;      // pid@host, as backups record their writer
    QString text() const;    // for the operator: "tobari-edi compact（PID 1234, host）"
};

struct Refusal {
    Role role;
    QList<Holder> holders;   // the other programs holding the folder
    // The message for the operator, the holders on lines of their own.
    QString message() const;
};

// How long a role is waited for before it is refused.
constexpr std::chrono::milliseconds ReplaceWait{5000};
constexpr std::chrono::milliseconds UseWait{30000};

// What this program says of itself in its record ("画面", "correct-slip").
void setProgramName(const QString &name);
QString programName();

} // namespace FolderLock

class FolderLocks {
public:
    virtual ~FolderLocks() = default;

    // Takes `role` on the current data folder (AppFolder), waiting up to
    // `wait` for the holders to let go. Window and Replace are taken on top
    // of Use, which they take first when it is not held. Returns the refusal
    // when the wait ran out; nothing changes then.
    virtual std::optional<FolderLock::Refusal> take(FolderLock::Role role, std::chrono::milliseconds wait) = 0;
    // Gives up `role`; giving up Replace goes back to Use, giving up Use
    // gives up everything.
    virtual void release(FolderLock::Role role) = 0;
    virtual bool holds(FolderLock::Role role) const = 0;
    // The other programs holding the folder now.
    virtual QList<FolderLock::Holder> others() = 0;
    // This program's record.
    virtual FolderLock::Holder self() const = 0;
};

// The roles of this program on AppFolder: the lock-file implementation
// unless another engine's was installed.
FolderLocks &AppFolderLocks();
void setAppFolderLocks(std::unique_ptr<FolderLocks> locks);

// Holds Replace for a scope and goes back to Use at its end.
class ReplacingFolder {
public:
    explicit ReplacingFolder(std::chrono::milliseconds wait = FolderLock::ReplaceWait);
    ~ReplacingFolder();
    ReplacingFolder(const ReplacingFolder &) = delete;
    ReplacingFolder &operator=(const ReplacingFolder &) = delete;

    // Empty when Replace is held.
    const std::optional<FolderLock::Refusal> &refusal() const { return refusal_; }
    explicit operator bool() const { return !refusal_; }

private:
    std::optional<FolderLock::Refusal> refusal_;
    bool wasHeld_ = false;
};
