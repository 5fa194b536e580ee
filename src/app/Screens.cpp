#include "app/Screens.h"

#include "app/ScreenRegistry.h"
#include "app/frm0001_Option.h"
#include "app/frm0002_Option_Gyoumu.h"
#include "app/frm9901_Var.h"

#include <QDialog>

void registerScreens()
{
    ScreenRegistry::add(QStringLiteral("frm0001_Option"),
                        [](QWidget *parent, Dialogs &d) -> QDialog * { return new frm0001_Option(d, parent); });
    ScreenRegistry::add(QStringLiteral("frm0002_Option_Gyoumu"), [](QWidget *parent, Dialogs &d) -> QDialog * {
        return new frm0002_Option_Gyoumu(d, parent);
    });
    ScreenRegistry::add(QStringLiteral("frm9901_Var"),
                        [](QWidget *parent, Dialogs &) -> QDialog * { return new frm9901_Var(parent); });
}
