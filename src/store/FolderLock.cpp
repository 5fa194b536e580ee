#include "store/FolderLock.h"

#include "store/AppFolder.h"
#include "store/FolderLockFile.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <chrono>
#include <thread>

namespace FolderLock {
namespace {

QString &nameOfThisProgram()
{
    static QString name = QStringLiteral("tobari-edi");
    return name;
}

} // namespace

void setProgramName(const QString &name)
{
    nameOfThisProgram() = name;
}

QString programName()
{
    return nameOfThisProgram();
}

QString Holder::id() const
{
    return QStringLiteral("%1@%2").arg(pid).arg(host);
}

QString Holder::text() const
{
    return QStringLiteral("%1（PID %2, %3）").arg(program.isEmpty() ? QStringLiteral("不明なプログラム") : program)
        .arg(pid)
        .arg(host);
}

QString Refusal::message() const
{
    QString text;
    QList<Holder> named = holders;
    switch (role) {
    case Role::Replace:
        text = QStringLiteral("他のプログラム（%1 件）がこのデータフォルダを使用中です。終了してからもう一度実行してください。")
                   .arg(holders.size());
        break;
    case Role::Use:
        text = QStringLiteral("他のプログラムがこのデータフォルダのデータベースを置き換えています（最適化または復元）。"
                              "終わってからもう一度実行してください。");
        named.removeIf([](const Holder &h) { return !h.replacing; });
        break;
    case Role::Window:
        text = QStringLiteral("このデータフォルダは他のウィンドウで開かれています。"
                              "同じデータフォルダに二つ目のウィンドウは開けません。");
        named.removeIf([](const Holder &h) { return !h.window; });
        break;
    }
    for (const Holder &h : named)
        text += QLatin1Char('\n') + h.text();
    return text;
}

} // namespace FolderLock

namespace {

using FolderLock::Role;
using Mode = FolderLockFile::Mode;

// The lock file's bytes: the folder itself (shared for use, exclusive for
// replacing), the window, then one byte per program holding the folder,
// by which the others are counted. Each program's record (who it is) lies
// past every locked byte, where it can always be read.
constexpr qint64 FolderByte = 0;
constexpr qint64 WindowByte = 1;
constexpr qint64 SlotBase = 16;
constexpr int Slots = 64;
constexpr qint64 RecordBase = 4096;
constexpr int RecordSize = 256;

const QString LockFileName = QStringLiteral("tobari.lock");

class FileFolderLocks : public FolderLocks {
public:
    std::optional<FolderLock::Refusal> take(Role role, std::chrono::milliseconds wait) override
    {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        if (folder_ != AppFolder::path())
            releaseAll();
        const bool usedBefore = use_;
        if (!use_) {
            if (auto refused = takeUse(deadline))
                return refused;
        }
        std::optional<FolderLock::Refusal> refused;
        if (role == Role::Window && !window_) {
            if (waitFor(WindowByte, Mode::Exclusive, deadline))
                window_ = true;
            else
                refused = FolderLock::Refusal{Role::Window, others()};
        }
        if (role == Role::Replace && !replace_) {
            if (waitFor(FolderByte, Mode::Exclusive, deadline))
                replace_ = true;
            else
                refused = FolderLock::Refusal{Role::Replace, others()};
        }
        if (refused && !usedBefore)
            releaseAll();   // refused: as it was before
        else
            writeRecord();
        return refused;
    }

    void release(Role role) override
    {
        if (!use_)
            return;
        if (role == Role::Use) {
            releaseAll();
            return;
        }
        if (role == Role::Window && window_) {
            file_.unlock(WindowByte);
            window_ = false;
        }
        if (role == Role::Replace && replace_) {
            // Back to shared use in one step: no other program can slip in
            // a replace of its own between.
            file_.tryLock(FolderByte, Mode::Shared);
            replace_ = false;
        }
        writeRecord();
    }

    bool holds(Role role) const override
    {
        switch (role) {
        case Role::Use:
            return use_;
        case Role::Window:
            return window_;
        case Role::Replace:
            return replace_;
        }
        return false;
    }

    QList<FolderLock::Holder> others() override
    {
        QList<FolderLock::Holder> out;
        if (!file_.isOpen())
            return out;
        for (int i = 0; i < Slots; ++i) {
            if (i == slot_ || !file_.heldByOther(SlotBase + i))
                continue;
            out << readRecord(i);
        }
        return out;
    }

    FolderLock::Holder self() const override
    {
        FolderLock::Holder h;
        h.pid = QCoreApplication::applicationPid();
        h.host = QSysInfo::machineHostName();
        h.program = FolderLock::programName();
        h.window = window_;
        h.replacing = replace_;
        return h;
    }

private:
    std::optional<FolderLock::Refusal> takeUse(std::chrono::steady_clock::time_point deadline)
    {
        folder_ = AppFolder::path();
        if (!file_.isOpen() && !file_.open(AppFolder::file(LockFileName))) {
            // A folder where no lock file can be made (read-only media) is
            // used without one: nothing there can be replaced either.
            use_ = true;
            return std::nullopt;
        }
        if (!waitFor(FolderByte, Mode::Shared, deadline)) {
            auto refusal = FolderLock::Refusal{Role::Use, others()};
            file_.close();
            return refusal;
        }
        use_ = true;
        for (int i = 0; i < Slots && slot_ < 0; ++i)
            if (file_.tryLock(SlotBase + i, Mode::Exclusive))
                slot_ = i;
        writeRecord();
        return std::nullopt;
    }

    bool waitFor(qint64 byte, Mode mode, std::chrono::steady_clock::time_point deadline)
    {
        if (!file_.isOpen())
            return true;
        for (;;) {
            if (file_.tryLock(byte, mode))
                return true;
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    void releaseAll()
    {
        file_.close();   // every lock of the file goes with it
        use_ = window_ = replace_ = false;
        slot_ = -1;
        folder_.clear();
    }

    void writeRecord()
    {
        if (slot_ < 0)
            return;
        const FolderLock::Holder h = self();
        QByteArray rec = QStringLiteral("%1\t%2\t%3\t%4%5\n")
                             .arg(h.pid)
                             .arg(h.host, h.program, h.window ? QStringLiteral("W") : QString(),
                                  h.replacing ? QStringLiteral("R") : QString())
                             .toUtf8()
                             .left(RecordSize - 1);
        rec.append(QByteArray(RecordSize - rec.size(), '\0'));
        file_.writeAt(RecordBase + qint64(slot_) * RecordSize, rec);
    }

    FolderLock::Holder readRecord(int slot)
    {
        FolderLock::Holder h;
        QByteArray rec = file_.readAt(RecordBase + qint64(slot) * RecordSize, RecordSize);
        const int end = rec.indexOf('\n');
        const QStringList parts = QString::fromUtf8(end < 0 ? rec : rec.left(end)).split(QLatin1Char('\t'));
        if (parts.size() == 4) {
            h.pid = parts[0].toLongLong();
            h.host = parts[1];
            h.program = parts[2];
            h.window = parts[3].contains(QLatin1Char('W'));
            h.replacing = parts[3].contains(QLatin1Char('R'));
        }
        return h;
    }

    FolderLockFile file_;
    QString folder_;
    int slot_ = -1;
    bool use_ = false;
    bool window_ = false;
    bool replace_ = false;
};

std::unique_ptr<FolderLocks> &installed()
{
    static std::unique_ptr<FolderLocks> locks = std::make_unique<FileFolderLocks>();
    return locks;
}

} // namespace

FolderLocks &AppFolderLocks()
{
    return *installed();
}

void setAppFolderLocks(std::unique_ptr<FolderLocks> locks)
{
    installed() = std::move(locks);
}

ReplacingFolder::ReplacingFolder(std::chrono::milliseconds wait)
{
    wasHeld_ = AppFolderLocks().holds(FolderLock::Role::Replace);
    if (!wasHeld_)
        refusal_ = AppFolderLocks().take(FolderLock::Role::Replace, wait);
}

ReplacingFolder::~ReplacingFolder()
{
    if (!wasHeld_ && !refusal_)
        AppFolderLocks().release(FolderLock::Role::Replace);
}
