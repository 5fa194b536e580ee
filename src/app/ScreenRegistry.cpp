#include "app/ScreenRegistry.h"

#include "ui/FocusReturn.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

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

bool isPlanned(const QString &name)
{
    static const QStringList planned{
        QStringLiteral("frm0100_List"),        QStringLiteral("frm0110_InjiList"),
        QStringLiteral("frm0120_SeikyuList"),  QStringLiteral("frm0121_Simebi_In"),
        QStringLiteral("frm0122_CS_Menu"),     QStringLiteral("frm0130_DataDel"),
        QStringLiteral("frm0201_IraiKakunin"), QStringLiteral("frm0210_InjiList"),
        QStringLiteral("frm9900_DBCompact"),
    };
    return !contains(name) && planned.contains(name);
}

QStringList names()
{
    return factories().keys();
}

std::optional<WorkLock::Work> workOf(const QString &name)
{
    if (name == QLatin1String("frm0120_SeikyuList") || name == QLatin1String("frm0121_Simebi_In"))
        return WorkLock::Work::Billing;
    return std::nullopt;
}

int exec(QDialog *screen)
{
    const FocusReturn back(screen->parentWidget());
    const QPointer<QDialog> open(screen);
    screen->setWindowModality(Qt::ApplicationModal);
    const int r = screen->exec();
    delete open.data();
    return r;
}

} // namespace ScreenRegistry
