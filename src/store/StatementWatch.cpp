#include "store/StatementWatch.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>

namespace {

// The program runs its statements on one thread; the flag is atomic so a
// benchmark may read the figure from another without tearing it.
std::atomic<bool> g_on{false};
qint64 g_longest = 0;
QString g_sql;

template <class F>
int timed(F &&run, const char *sql)
{
    const auto begin = std::chrono::steady_clock::now();
    const int rc = run();
    const qint64 ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - begin).count();
    if (ns > g_longest) {
        g_longest = ns;
        g_sql = QString::fromUtf8(sql ? sql : "");
    }
    return rc;
}

} // namespace

void StatementWatch::start()
{
    g_longest = 0;
    g_sql.clear();
    g_on.store(true, std::memory_order_relaxed);
}

void StatementWatch::stop()
{
    g_on.store(false, std::memory_order_relaxed);
}

StatementWatch::Longest StatementWatch::longest()
{
    return {g_longest, g_sql};
}

int StatementWatch::step(sqlite3_stmt *stmt)
{
    if (!g_on.load(std::memory_order_relaxed))
        return sqlite3_step(stmt);
    return timed([stmt] { return sqlite3_step(stmt); }, sqlite3_sql(stmt));
}

int StatementWatch::exec(sqlite3 *db, const char *sql, char **error)
{
    if (!g_on.load(std::memory_order_relaxed))
        return sqlite3_exec(db, sql, nullptr, nullptr, error);
    return timed([&] { return sqlite3_exec(db, sql, nullptr, nullptr, error); }, sql);
}

int StatementWatch::run(const char *what, const std::function<int()> &work)
{
    if (!g_on.load(std::memory_order_relaxed))
        return work();
    return timed(work, what);
}
