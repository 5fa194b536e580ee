#include "app/BatchRunner.h"
#include "store/WorkLock.h"

#include "app/BatchDialogs.h"
#include "billing/ClosingCancel.h"
#include "maint/Backups.h"
#include "maint/DeleteAll.h"
#include "store/Settings.h"
#include "app/clsMakeMenu.h"
#include "app/Version.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/DataFolder.h"
#include "store/FolderLock.h"
#include "store/Connection.h"
#include "ui/DataAccessError.h"

#include <QTextStream>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

bool isTerminal(FILE *stream)
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine cl;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString a = arguments[i];
        if (cl.command.isEmpty() && a.startsWith(QLatin1Char('-'))) {
            if (a == QLatin1String("--app-folder") || a == QLatin1String("--now")) {
                if (i + 1 >= arguments.size()) {
                    cl.error = QStringLiteral("%1 には値が必要です。").arg(a);
                    return cl;
                }
                (a == QLatin1String("--now") ? cl.now : cl.appFolder) = arguments[++i];
            } else if (a.startsWith(QLatin1String("--app-folder="))) {
                cl.appFolder = a.mid(13);
            } else if (a == QLatin1String("--yes") || a == QLatin1String("-y")) {
                cl.yes = true;
            } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
                cl.help = true;
            } else if (a == QLatin1String("--version")) {
                cl.command = QStringLiteral("version");
            } else {
                cl.error = QStringLiteral("不明なオプションです: %1").arg(a);
                return cl;
            }
        } else if (cl.command.isEmpty()) {
            cl.command = a;
        } else if (a == QLatin1String("--yes") || a == QLatin1String("-y")) {
            cl.yes = true;   // also accepted after the command
        } else {
            cl.args << a;
        }
    }
    return cl;
}

QString batchHelp(const QList<BatchCommand> &commands)
{
    QString t;
    QTextStream s(&t);
    s << QStringLiteral("使い方: tobari-edi [--app-folder DIR] [--yes] [COMMAND ARGS...]\n\n")
      << QStringLiteral("COMMAND を付けずに起動すると画面が開きます。\n\n")
      << QStringLiteral("オプション:\n")
      << QStringLiteral("  --app-folder DIR  データフォルダ（既定: 実行ファイルのフォルダ、または TOBARI_APP_FOLDER）\n")
      << QStringLiteral("  --yes             確認の質問にすべて OK と答えます\n")
      << QStringLiteral("  --now DATETIME    現在日時を固定します（例 2026-12-10T09:30:00）\n")
      << QStringLiteral("  --help            この説明を表示します\n\n")
      << QStringLiteral("コマンド:\n");
    for (const BatchCommand &c : commands)
        s << QStringLiteral("  %1\n      %2\n").arg(c.usage, c.summary);
    s << QStringLiteral("\n終了コード: 0 完了、1 処理なし（キャンセル・データなし・中止）、2 使い方の誤り、3 エラー\n");
    return t;
}

const BatchCommand *findBatchCommand(const QList<BatchCommand> &commands, const QString &name)
{
    for (const BatchCommand &c : commands)
        if (c.name == name)
            return &c;
    return nullptr;
}

QStringList prepareDataFolder()
{
    DataFolder::holdForUse();
    QStringList notices = Backups::finishInterruptedRestore();
    notices += DataFolder::prepare().notices;
    return notices;
}

int runBatchCommand(const BatchCommand &command, const CommandLine &cl, QTextStream &out, QTextStream &err,
                    bool interactive)
{
    if (!cl.appFolder.isEmpty())
        AppFolder::setPath(cl.appFolder);
    if (!cl.now.isEmpty()) {
        const QDateTime when = QDateTime::fromString(cl.now, Qt::ISODate);
        if (!when.isValid()) {
            err << QStringLiteral("--now の日時が正しくありません: %1").arg(cl.now) << Qt::endl;
            return BatchExit::Usage;
        }
        Clock::setFixed(when);
    }
    FolderLock::setProgramName(QStringLiteral("tobari-edi ") + command.name);
    BatchDialogs dialogs(out, err, cl.yes, interactive);
    BatchContext ctx{cl.args, dialogs, out, err};
    try {
        if (command.opensDatabase) {
            for (const QString &notice : prepareDataFolder())
                out << batchLine(notice) << Qt::endl;
            const int rc = OpenDatabaseReporting(true, dialogs);
            if (rc != 0)
                return BatchExit::Failed;
        }
        const int status = command.run(ctx);
        OpenDatabase(false);
        return status;
    } catch (const DbError &e) {
        OpenDatabase(false);
        if (e.number() == FolderLock::InUse) {
            // Refused, not failed: nothing was done and it may be run again.
            ctx.out << batchLine(e.description()) << Qt::endl;
            return BatchExit::NothingDone;
        }
        return batchFailure(ctx, e.number(), e.description());
    } catch (const std::exception &e) {
        OpenDatabase(false);
        return batchFailure(ctx, 3, QString::fromLocal8Bit(e.what()));
    }
}

namespace {

// Prints a menu page as the main screen shows it.
struct PrintingMenuHost : MenuHost {
    QString title;
    QStringList lines = QStringList(clsMakeMenu::EntryCount, QString());
    void setMenuTitle(const QString &t) override { title = t; }
    void setMenuEntry(int i, const QString &name, const QString &comment) override
    {
        lines[i] = name.isEmpty() ? QString() : QStringLiteral("%1  %2  %3").arg(i + 1).arg(name, comment).trimmed();
    }
    void openScreen(const QString &) override {}
    void loadProcedure(const QString &) override {}
    void shellOpen(const QString &) override {}
};

int printMenuPage(BatchContext &ctx)
{
    if (ctx.args.size() > 1)
        return BatchExit::Usage;
    PrintingMenuHost host;
    clsMakeMenu menu;
    menu.setMenuName(Settings::readText(SettingKey::MenuSelect));
    menu.setHost(&host);
    menu.showMenu(ctx.args.value(0, QStringLiteral("0")), &RequireConnection());
    ctx.out << host.title << Qt::endl;
    bool any = false;
    for (const QString &l : host.lines)
        if (!l.isEmpty()) {
            ctx.out << l << Qt::endl;
            any = true;
        }
    return any ? BatchExit::Done : BatchExit::NothingDone;
}

} // namespace

namespace {

// One desk of the desk list: name, since when, and what it holds, by tabs.
QString deskLine(const Database::Desk &d)
{
    QStringList works;
    for (const QString &h : d.holds) {
        const int work = h.section(QLatin1Char(':'), 0, 0).toInt();
        const QString key = h.section(QLatin1Char(':'), 1);
        static const char *const names[] = {"", "請求処理", "保守処理", "伝票・品揃表の印刷", "値札の出力", "印字受託"};
        QString name = work >= 1 && work <= 5 ? QString::fromUtf8(names[work]) : h;
        if (work >= 3 && work <= 5)
            name += QStringLiteral("（バッチ %1）").arg(key);
        works << name;
    }
    return QStringList{d.name + (d.self ? QStringLiteral(" (この端末)") : QString()), d.since,
                       works.isEmpty() ? QStringLiteral("-") : works.join(QStringLiteral("、"))}
        .join(QLatin1Char('\t'));
}

} // namespace

QList<BatchCommand> coreBatchCommands()
{
    QList<BatchCommand> list;
    list << BatchCommand{QStringLiteral("version"), QStringLiteral("version"),
                         QStringLiteral("バージョンを表示します"),
                         [](BatchContext &ctx) {
                             ctx.out << applicationTitle() << QLatin1Char(' ') << versionText() << Qt::endl;
                             return BatchExit::Done;
                         },
                         false};
    list << BatchCommand{QStringLiteral("init"), QStringLiteral("init"),
                         QStringLiteral("データフォルダを準備します（データベース・帳票・テンプレートの作成）"),
                         [](BatchContext &ctx) {
                             DataFolder::holdForUse();
                             const QStringList restored = Backups::finishInterruptedRestore();
                             const DataFolder::Result r = DataFolder::prepare();
                             for (const QString &f : r.created)
                                 ctx.out << QStringLiteral("作成しました: ") << f << Qt::endl;
                             for (const QString &n : restored + r.notices)
                                 ctx.out << batchLine(n) << Qt::endl;
                             ctx.out << QStringLiteral("データフォルダ: ") << AppFolder::path() << Qt::endl;
                             return BatchExit::Done;
                         },
                         false};
    list << BatchCommand{QStringLiteral("menu"), QStringLiteral("menu [PAGE]"),
                         QStringLiteral("メニューのページを表示します（既定はページ 0）"),
                         [](BatchContext &ctx) { return printMenuPage(ctx); }};
    list << BatchCommand{QStringLiteral("cancel-closing"), QStringLiteral("cancel-closing"),
                         QStringLiteral("途中の締日計算処理を解除します"),
                         [](BatchContext &ctx) {
                             const HeldWork desk(RequireConnection(), WorkLock::Work::Billing);
                             if (!desk) {
                                 ctx.out << batchLine(desk.refusal()) << Qt::endl;
                                 return BatchExit::NothingDone;
                             }
                             return cancelClosing(RequireConnection(), ctx.dialogs) == 0
                                 ? BatchExit::Done
                                 : BatchExit::NothingDone;
                         }};
    list << BatchCommand{QStringLiteral("desks"), QStringLiteral("desks"),
                         QStringLiteral("同じデータで動いている端末（プログラム）と、それぞれが実行中の処理を表示します"),
                         [](BatchContext &ctx) {
                             for (const Database::Desk &d : RequireConnection().desks())
                                 ctx.out << deskLine(d) << Qt::endl;
                             return BatchExit::Done;
                         }};
    list << BatchCommand{QStringLiteral("delete-all"), QStringLiteral("delete-all"),
                         QStringLiteral("取込・請求データをすべて削除し、番号を 1 に戻します"),
                         [](BatchContext &ctx) {
                             const int rc = deleteAllData(RequireConnection(), ctx.dialogs);
                             return rc == 0 ? BatchExit::Done : rc == 1 ? BatchExit::NothingDone : BatchExit::Failed;
                         }};
    return list;
}
