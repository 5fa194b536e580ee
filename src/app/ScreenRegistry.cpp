#include "app/ScreenRegistry.h"

#include <QHash>

namespace ScreenRegistry {
namespace {
QHash<QString, Factory> &factories()
{
    static QHash<QString, Factory> f;
    return f;
}
} // namespace

void add(const QString &name, Factory factory)
{
    factories().insert(name, std::move(factory));
}

bool contains(const QString &name)
{
    return factories().contains(name);
}

QDialog *create(const QString &name, QWidget *parent, Dialogs &dialogs)
{
    const auto it = factories().constFind(name);
    return it == factories().constEnd() ? nullptr : (*it)(parent, dialogs);
}

QStringList names()
{
    return factories().keys();
}

} // namespace ScreenRegistry
