#include "store/AppFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace AppFolder {
namespace {
QString g_path;
}

QString path()
{
    if (g_path.isEmpty()) {
        const QByteArray env = qgetenv("TOBARI_APP_FOLDER");
        if (!env.isEmpty())
            setPath(QString::fromLocal8Bit(env));
        else if (QCoreApplication::instance())
            setPath(QCoreApplication::applicationDirPath());
        else
            setPath(QDir::currentPath());
    }
    return g_path;
}

void setPath(const QString &folder)
{
    QString p = QDir::cleanPath(QDir(folder).absolutePath());
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    g_path = p;
}

QString file(const QString &relative)
{
    QString rel = relative;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (rel.startsWith(QLatin1Char('/')))
        rel.remove(0, 1);
    return QDir::toNativeSeparators(path() + QLatin1Char('/') + rel);
}

} // namespace AppFolder
