// Work locks of the embedded engine: one byte per lock in a lock file
// beside the database, held by this program's open file, so a program that
// ends or is killed lets go. Each locked byte has a record past every
// locked byte naming the work and its holder, where the others can read it.
// A lock is a slot of a fixed table: two different batches may share a
// slot, and then the second waits for the first as if it were the same.
#include "store/FolderLock.h"
#include "store/FolderLockFile.h"
#include "store/SqliteDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace {

constexpr int Slots = 4096;
constexpr qint64 LockBase = 1;
constexpr qint64 RecordBase = 8192;
constexpr int RecordSize = 192;

// Locks belong to the process and its open file: one file per process,
// with the holds this process has counted per slot.
struct WorkFile {
    FolderLockFile file;
    QString path;
    QHash<int, int> holds;
};

WorkFile &workFile(const QString &databasePath)
{
    static WorkFile w;
    const QString path = QFileInfo(databasePath).absoluteDir().filePath(QStringLiteral("tobari-work.lock"));
    if (w.path != path) {
        w.file.close();
        w.holds.clear();
        w.path = path;
        if (!w.file.open(path))
            throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を開けません。").arg(path));
    }
    return w;
}

int slotOf(int work, qint64 key)
{
    const quint64 h = quint64(work) * 1000003ull + quint64(key);
    return int(h % Slots);
}

QString recordOf(WorkFile &w, int slot)
{
    const QByteArray raw = w.file.readAt(RecordBase + qint64(slot) * RecordSize, RecordSize);
    return QString::fromUtf8(raw.left(raw.indexOf('\0') < 0 ? raw.size() : raw.indexOf('\0')));
}

QString selfText()
{
    return AppFolderLocks().self().text();
}

} // namespace

std::optional<QString> SqliteDatabase::takeWork(int work, qint64 key)
{
    WorkFile &w = workFile(path_);
    const int slot = slotOf(work, key);
    if (w.holds.value(slot) > 0) {
        ++w.holds[slot];
        return std::nullopt;
    }
    if (!w.file.tryLock(LockBase + slot, FolderLockFile::Mode::Exclusive)) {
        const QString record = recordOf(w, slot);
        const qsizetype bar = record.indexOf(QLatin1Char('|'));
        const QString holder = bar < 0 ? QString() : record.mid(bar + 1);
        return holder.isEmpty() ? QStringLiteral("不明なプログラム") : holder;
    }
    QByteArray record = QStringLiteral("%1:%2|%3").arg(work).arg(key).arg(selfText()).toUtf8().left(RecordSize - 1);
    record.append(QByteArray(RecordSize - record.size(), '\0'));
    w.file.writeAt(RecordBase + qint64(slot) * RecordSize, record);
    w.holds[slot] = 1;
    return std::nullopt;
}

void SqliteDatabase::releaseWork(int work, qint64 key)
{
    WorkFile &w = workFile(path_);
    const int slot = slotOf(work, key);
    if (w.holds.value(slot) == 0)
        return;
    if (--w.holds[slot] > 0)
        return;
    w.holds.remove(slot);
    w.file.writeAt(RecordBase + qint64(slot) * RecordSize, QByteArray(RecordSize, '\0'));
    w.file.unlock(LockBase + slot);
}

QList<Database::Desk> SqliteDatabase::desks()
{
    WorkFile &w = workFile(path_);
    QList<Desk> out;
    Desk self;
    self.name = selfText();
    self.self = true;
    for (auto it = w.holds.constBegin(); it != w.holds.constEnd(); ++it)
        self.holds << recordOf(w, it.key()).section(QLatin1Char('|'), 0, 0);
    out << self;
    for (const FolderLock::Holder &h : AppFolderLocks().others()) {
        Desk d;
        d.name = h.text();
        out << d;
    }
    for (int slot = 0; slot < Slots; ++slot) {
        if (w.holds.contains(slot) || !w.file.heldByOther(LockBase + slot))
            continue;
        const QString record = recordOf(w, slot);
        const QString holder = record.section(QLatin1Char('|'), 1);
        auto desk = std::find_if(out.begin(), out.end(), [&](const Desk &d) { return d.name == holder; });
        if (desk == out.end()) {
            Desk d;
            d.name = holder.isEmpty() ? QStringLiteral("不明なプログラム") : holder;
            out << d;
            desk = out.end() - 1;
        }
        desk->holds << record.section(QLatin1Char('|'), 0, 0);
    }
    return out;
}
