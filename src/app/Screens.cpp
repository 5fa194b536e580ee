#include "app/Screens.h"

#include "app/ScreenRegistry.h"
#include "app/frm9901_Var.h"

#include <QDialog>

void registerScreens()
{
    ScreenRegistry::add(QStringLiteral("frm9901_Var"),
                        [](QWidget *parent, Dialogs &) -> QDialog * { return new frm9901_Var(parent); });
}
