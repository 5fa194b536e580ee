// Another program on a data folder, for the tests of the folder lock:
//   folder_lock_child DATAFOLDER NAME use|window|replace|work:W:K...
// Takes the roles in order under the program name NAME (work:W:K opens the
// folder's database as Conf.DAT says and holds work lock W on key K),
// prints "ready" (or "refused" when a role is refused), then holds them
// until its input ends or it is killed.

#include "store/AppFolder.h"
#include "store/Connection.h"
#include "store/FolderLock.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fputs("folder_lock_child DATAFOLDER NAME use|window|replace...\n", stderr);
        return 2;
    }
    AppFolder::setPath(args[1]);
    FolderLock::setProgramName(args[2]);
    std::unique_ptr<Database> db;
    for (const QString &r : args.mid(3)) {
        if (r.startsWith(QLatin1String("work:"))) {
            try {
                if (!db)
                    db = openConfiguredDatabase();
                if (db->takeWork(r.section(QLatin1Char(':'), 1, 1).toInt(), r.section(QLatin1Char(':'), 2, 2).toLongLong())) {
                    std::fputs("refused\n", stdout);
                    std::fflush(stdout);
                    return 1;
                }
            } catch (const DbError &e) {
                std::fprintf(stderr, "%s\n", e.description().toUtf8().constData());
                return 3;
            }
            continue;
        }
        const FolderLock::Role role = r == QLatin1String("window") ? FolderLock::Role::Window
            : r == QLatin1String("replace")                          ? FolderLock::Role::Replace
                                                                     : FolderLock::Role::Use;
        if (AppFolderLocks().take(role, std::chrono::milliseconds(0))) {
            std::fputs("refused\n", stdout);
            std::fflush(stdout);
            return 1;
        }
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    // Holds until the test closes our input (or kills us).
    while (std::fgetc(stdin) != EOF) {
    }
    return 0;
}
