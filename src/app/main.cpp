// tobari-edi: the screens when started without a command, the batch mode
// with one.

#include "app/AppStart.h"
#include "app/BatchRunner.h"
#include "app/BatchRegistry.h"
#include "store/DataFolder.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

QStringList rawArguments(int argc, char **argv)
{
    QStringList out;
    for (int i = 0; i < argc; ++i)
        out << QString::fromLocal8Bit(argv[i]);
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    const CommandLine cl = parseCommandLine(rawArguments(argc, argv));
    DataFolder::addInstallRoot(QStringLiteral(":/install"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QList<BatchCommand> commands = allBatchCommands();

    if (!cl.error.isEmpty()) {
        err << cl.error << Qt::endl << QStringLiteral("tobari-edi --help で使い方を表示します。") << Qt::endl;
        return BatchExit::Usage;
    }
    if (cl.help) {
        out << batchHelp(commands);
        return BatchExit::Done;
    }
    if (cl.command.isEmpty())
        return runScreens(argc, argv, cl);

    const BatchCommand *command = findBatchCommand(commands, cl.command);
    if (!command) {
        err << QStringLiteral("不明なコマンドです: %1").arg(cl.command) << Qt::endl
            << QStringLiteral("tobari-edi --help でコマンドの一覧を表示します。") << Qt::endl;
        return BatchExit::Usage;
    }
    const bool interactive = isTerminal(stdin) && !cl.yes;
    if (command->needsGui) {
        // Drawing text needs a QGuiApplication; without a display it runs
        // on the offscreen platform.
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return runBatchCommand(*command, cl, out, err, interactive);
    }
    QCoreApplication app(argc, argv);
    return runBatchCommand(*command, cl, out, err, interactive);
}
