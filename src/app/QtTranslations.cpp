#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QList<QTranslator *> installQtTranslations()
{
    QList<QTranslator *> installed;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return installed;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // "qt_ja" is a catalogue of catalogues: loading it loads qtbase_ja,
    // which holds the dialogs' texts.
    auto *t = new QTranslator(app);
    if (t->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qt"), QStringLiteral("_"), folder)
        && QCoreApplication::installTranslator(t)) {
        installed << t;
    } else {
        delete t;
    }
    return installed;
}
