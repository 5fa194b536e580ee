#include "app/AppStart.h"

#include "app/QtTranslations.h"
#include "ui/QtDialogs.h"
#include "app/ScreenRegistry.h"
#include "app/Screens.h"
#include "store/Settings.h"
#include "app/frm0000_main.h"
#include "store/AppFolder.h"
#include "store/DataFolder.h"
#include "store/Connection.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QFontDatabase>

namespace {

// IPA Gothic reads well for Japanese business screens; fall back to whatever
// Japanese font the desktop has.
void chooseFont()
{
    const QStringList families = QFontDatabase::families();
    for (const char *name : {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP"}) {
        if (families.contains(QString::fromLatin1(name))) {
            QFont f(QString::fromLatin1(name));
            f.setPointSize(10);
            QApplication::setFont(f);
            return;
        }
    }
}

// Opens a settings screen modally when it exists in this build.
void openSettingsScreen(const QString &name, Dialogs &dialogs)
{
    if (QDialog *screen = ScreenRegistry::create(name, nullptr, dialogs))
        ScreenRegistry::exec(screen);
}

} // namespace

bool checkSettingsFiles(Dialogs &dialogs)
{
    if (!Settings::fileExists(SettingFile::ConfIni)) {
        dialogs.message(QStringLiteral("アプリケーション設定が行われていません。\n設定画面を開きます。"),
                        applicationTitle(), MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
        openSettingsScreen(QStringLiteral("frm0001_Option"), dialogs);
    }
    if (!Settings::fileExists(SettingFile::GyoumIni)) {
        dialogs.message(QStringLiteral("業務設定が行われていません。\n業務設定画面を開きます。"), applicationTitle(),
                        MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
        openSettingsScreen(QStringLiteral("frm0002_Option_Gyoumu"), dialogs);
    }
    if (!Settings::fileExists(SettingFile::ConfIni) || !Settings::fileExists(SettingFile::GyoumIni)) {
        dialogs.message(QStringLiteral("アプリケーション設定又は業務設定が見つかりません。\n"
                                       "設定画面でキャンセルをしてしまった可能性があります。\n"
                                       "アプリケーションを起動する事が出来ません。"),
                        applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return false;
    }
    return true;
}

int runScreens(int argc, char **argv, const CommandLine &cl)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tobari-edi"));
    QApplication::setApplicationDisplayName(applicationTitle());
    chooseFont();
    installQtTranslations();
    if (!cl.appFolder.isEmpty())
        AppFolder::setPath(cl.appFolder);
    registerScreens();

    QtDialogs dialogs;
    try {
        for (const QString &notice : DataFolder::prepare().notices)
            dialogs.info(notice, applicationTitle());
    } catch (const DbError &e) {
        dialogs.error(QStringLiteral("データフォルダを準備できません。\n%1 %2").arg(e.number()).arg(e.description()));
        return 3;
    }
    if (ScreenRegistry::contains(QStringLiteral("frm0001_Option")) && !checkSettingsFiles(dialogs))
        return 1;

    frm0000_main window(dialogs);
    dialogs.setOwner(&window);
    window.show();
    // Without a window manager nothing gives a new window the keyboard.
    window.activateWindow();
    window.load();
    const int rc = app.exec();
    OpenDatabase(false);
    return rc;
}
