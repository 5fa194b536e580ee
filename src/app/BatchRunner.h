#pragma once
// Parses the command line and runs a batch command.

#include "store/BatchCommand.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>

struct CommandLine {
    QString appFolder;     // --app-folder DIR (else TOBARI_APP_FOLDER, else the executable's folder)
    bool yes = false;      // --yes: answer every question OK
    bool help = false;     // --help / -h
    QString now;           // --now yyyy-MM-ddThh:mm:ss: fixes the clock (scripted runs, checks)
    QString command;       // empty: start the screens
    QStringList args;
    QString error;         // a usage error found while parsing
};

CommandLine parseCommandLine(const QStringList &arguments);

// Whether `stream` is a terminal (where questions can be asked), on every
// platform the application builds for.
bool isTerminal(FILE *stream);

// The text of --help for these commands.
QString batchHelp(const QList<BatchCommand> &commands);

// The command named `name`, or nullptr.
const BatchCommand *findBatchCommand(const QList<BatchCommand> &commands, const QString &name);

// Runs `command` with the options of `cl`: applies the data folder and the
// clock, completes the data folder and opens the connection when the
// command needs it, and returns the exit status.
int runBatchCommand(const BatchCommand &command, const CommandLine &cl, QTextStream &out, QTextStream &err,
                    bool interactive);

// Start-up of a data folder, screens and batch mode alike: holds it for use,
// completes it (DataFolder::prepare) and finishes a restore that was
// interrupted, before anything opens the databases. Returns the notices for
// the operator; throws DbError (FolderLock::InUse when another program is
// replacing the folder's databases).
QStringList prepareDataFolder();

// The commands of the application core (version, init).
QList<BatchCommand> coreBatchCommands();
