#pragma once
// Batch mode: `tobari-edi [--app-folder DIR] [--yes] COMMAND ARGS...` runs
// the same operation a screen runs. Each subsystem offers its commands as a
// list of BatchCommand; the executable collects them.
//
// Rules every command follows:
// - questions are answered OK only with --yes; without it the command asks
//   on the terminal when it has one and declines when it has none;
// - every message the screen would show is printed as one line;
// - exit status 0 done, 1 nothing done (declined, no data, stopped),
//   2 wrong usage, 3 failed (the line names the error number and description).

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class Dialogs;
class QTextStream;

namespace BatchExit {
constexpr int Done = 0;
constexpr int NothingDone = 1;
constexpr int Usage = 2;
constexpr int Failed = 3;
} // namespace BatchExit

struct BatchContext {
    QStringList args;      // the command's own arguments, options removed
    Dialogs &dialogs;      // prints messages, answers questions as above
    QTextStream &out;      // one line per message or result
    QTextStream &err;      // usage errors and failures
};

struct BatchCommand {
    QString name;          // e.g. "import-order"
    QString usage;         // e.g. "import-order FILE"
    QString summary;       // one line for --help
    std::function<int(BatchContext &)> run;
    bool opensDatabase = true;   // the runner prepares the data folder and opens the connection
    bool needsGui = false;       // draws text (printing): runs under a QGuiApplication
};

// `text` on one line: line breaks become a full-width space.
QString batchLine(const QString &text);

// Prints "エラー N: description" and returns BatchExit::Failed.
int batchFailure(BatchContext &ctx, int number, const QString &description);

// The options of a command: "--name VALUE" pairs and bare "--flag"s, kept
// by name without the dashes. `error` says what was wrong (an argument not
// offered, a value missing); empty when nothing was.
struct BatchOptions {
    QMap<QString, QString> values;
    QStringList flags;
    QString error;

    QString value(const char *name) const { return values.value(QLatin1String(name)); }
    bool has(const char *name) const { return flags.contains(QLatin1String(name)); }
};

// `args` read against the options `withValue` and `flags` ("--run", ...).
BatchOptions parseBatchOptions(const QStringList &args, const QStringList &withValue, const QStringList &flags = {});
