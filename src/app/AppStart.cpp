#include "app/AppStart.h"

#include "app/QtDialogs.h"
#include "store/AppFolder.h"
#include "store/DataFolder.h"
#include "store/DbCommon.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QMainWindow>

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

} // namespace

int runScreens(int argc, char **argv, const CommandLine &cl)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tobari-edi"));
    QApplication::setApplicationDisplayName(applicationTitle());
    chooseFont();
    if (!cl.appFolder.isEmpty())
        AppFolder::setPath(cl.appFolder);

    QtDialogs dialogs;
    try {
        DataFolder::prepare();
    } catch (const DbError &e) {
        dialogs.error(QStringLiteral("データフォルダを準備できません。\n%1 %2").arg(e.number()).arg(e.description()));
        return 3;
    }
    OpenDatabase(true, dialogs);

    QMainWindow window;
    window.setWindowTitle(applicationTitle());
    auto *label = new QLabel(QStringLiteral("データフォルダ: %1").arg(AppFolder::path()));
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.resize(800, 560);
    window.show();
    const int rc = app.exec();
    OpenDatabase(false, dialogs);
    return rc;
}
