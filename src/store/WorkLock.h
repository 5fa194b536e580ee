#pragma once
// Work that two desks on one server, or two programs on one data folder,
// must not do at once: the billing desk, maintenance, and per batch the
// printing of its slips and lists, its tag runs, its request workbooks and
// tags. A work lock is held by this program's connection for a scope and
// goes with it: a program that ends, is killed or loses the network never
// leaves one behind. A refused lock says who holds it. Which engine keeps
// the lock (the server's session locks, or a lock file beside the embedded
// engine's database) is the connection's business.

#include "store/Database.h"

#include <QString>

namespace WorkLock {

enum class Work { Billing = 1, Maintenance = 2, SlipPrinting = 3, TagRun = 4, Requests = 5 };

// Error number of a refusal: the work is held by another desk.
constexpr int Held = 3046;

// The operator's message for `work` on `key` (a batch) held by `holder`
// (the desk's host, or the program).
QString refusalText(Work work, qint64 key, const QString &holder);

} // namespace WorkLock

// Holds a work lock for a scope, without waiting.
class HeldWork {
public:
    HeldWork(Database &db, WorkLock::Work work, qint64 key = 0);
    ~HeldWork();
    HeldWork(const HeldWork &) = delete;
    HeldWork &operator=(const HeldWork &) = delete;

    explicit operator bool() const { return refusal_.isEmpty(); }
    // Empty when held; otherwise the message naming the holder.
    const QString &refusal() const { return refusal_; }
    // Throws DbError(WorkLock::Held) with the message when refused.
    void require() const;

private:
    Database &db_;
    WorkLock::Work work_;
    qint64 key_;
    QString refusal_;
};
