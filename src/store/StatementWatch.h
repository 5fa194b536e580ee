#pragma once
// The longest single step of the engine while the watch is on: the time a
// window waiting on one statement cannot repaint or take its stop button.
// A benchmark turns it on around an import; off, each step costs one test
// of a flag.

#include <QString>
#include <QtGlobal>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

class StatementWatch {
public:
    struct Longest {
        qint64 nanoseconds = 0;
        QString sql;   // the statement's text as prepared
    };

    // Turns the watch on and forgets what it saw before.
    static void start();
    static void stop();
    static Longest longest();

    // The engine's step and its exec of plain statements (BEGIN, COMMIT,
    // savepoints), timed while the watch is on. Only the engine calls them.
    static int step(sqlite3_stmt *stmt);
    static int exec(sqlite3 *db, const char *sql, char **error);
    // Any other wait on the engine, named `what` where it is the longest.
    static int run(const char *what, const std::function<int()> &work);
};
