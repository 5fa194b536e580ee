// A process that starts an order import and waits to be killed in the
// middle of it, so that a test can show what the next start finds.
//   import_child DATAFOLDER ORDERFILE staging|copying
// "staging": stops while the records go into the staging tables.
// "copying": stops inside the copy of the slip lines into the working tables.
// Prints "ready" when it has stopped.

#include "import/ImportProgress.h"
#include "import/OrderImport.h"
#include "store/AppFolder.h"
#include "store/Connection.h"
#include "store/Dialogs.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

[[noreturn]] void waitForTheEnd()
{
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

class StopInStaging : public QuietProgress {
public:
    bool aborted() const override
    {
        if (++records_ == 3)
            waitForTheEnd();
        return false;
    }

private:
    mutable int records_ = 0;
};

// The statements that follow the confirmation run while this watches:
// once the stamp, file header and slip rows are written (their changes are
// counted when each statement completes) it stops in the slip-line copy.
struct CopyWatch {
    sqlite3 *db = nullptr;
    int base = 0;
    int before = 0;
};

CopyWatch g_watch;

// The server runs a statement out of reach: there the watch looks between
// two ranges of the slip-line copy, once some of the lines have arrived.
class StopInServerCopy : public QuietProgress {
public:
    void processEvents() override
    {
        if (linesBefore_ < 0)
            return;
        if (lines() > linesBefore_)
            waitForTheEnd();
    }
    void watch() { linesBefore_ = lines(); }

private:
    static qint64 lines()
    {
        return RequireConnection().scalar(QStringLiteral("Select count(*) From TBL_RD_BD")).toLongLong();
    }

    qint64 linesBefore_ = -1;
};

StopInServerCopy g_serverWatch;

int watchCopy(void *)
{
    if (sqlite3_total_changes(g_watch.db) - g_watch.base >= g_watch.before)
        waitForTheEnd();
    return 0;
}

class ChildDialogs : public Dialogs {
public:
    bool watchAfterConfirmation = false;
    int rowsBeforeLines = 0;

    MsgResult message(const QString &text, const QString &, MsgIcon, MsgButtons, MsgResult) override
    {
        if (watchAfterConfirmation && text.startsWith(QStringLiteral("以下の情報を取り込みます。"))) {
            g_watch.db = RequireConnection().handle();
            if (!g_watch.db) {
                g_serverWatch.watch();
                return MsgResult::Ok;
            }
            g_watch.base = sqlite3_total_changes(g_watch.db);
            g_watch.before = rowsBeforeLines;
            sqlite3_progress_handler(g_watch.db, 100, watchCopy, nullptr);
        } else {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
        return MsgResult::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QString openFile(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFolder(const QString &, const QString &) override { return {}; }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fputs("import_child DATAFOLDER ORDERFILE staging|copying ROWS_BEFORE_LINES\n", stderr);
        return 2;
    }
    AppFolder::setPath(args[1]);
    ChildDialogs dialogs;
    if (OpenDatabase(true) != 0)
        return 3;
    StopInStaging stopInStaging;
    QuietProgress quiet;
    const bool copying = args[3] == QLatin1String("copying");
    dialogs.watchAfterConfirmation = copying;
    dialogs.rowsBeforeLines = args[4].toInt();
    const bool onServer = RequireConnection().handle() == nullptr;
    ImportProgress &copyProgress = onServer ? static_cast<ImportProgress &>(g_serverWatch) : quiet;
    OrderImport op(RequireConnection(), dialogs, copying ? copyProgress : stopInStaging);
    // Ranges far smaller than the file, so that its lines take several statements.
    if (onServer)
        op.setCopyRange(100);
    op.run(args[2]);
    std::fputs("finished\n", stdout);   // the test fails: it never stopped
    return 4;
}
