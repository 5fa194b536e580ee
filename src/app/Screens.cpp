#include "app/Screens.h"

#include "app/ScreenRegistry.h"
#include "app/frm0001_Option.h"
#include "app/frm0002_Option_Gyoumu.h"
#include "slips/ui/frm0101_DenList.h"
#include "app/frm9901_Var.h"
#include "slips/ui/frm0500_Printout.h"
#include "store/Connection.h"

#include <QDialog>

namespace {

// What the slip list's print keys do: each runs one print action in the
// print window.
DenListPrinting slipListPrinting(QWidget *owner, Dialogs &dialogs)
{
    auto run = [owner, &dialogs](const std::function<PrintActionResult(PrintServices &)> &action) {
        const PrintActionResult r = frm0500_Printout::run(owner, RequireConnection(), dialogs, action);
        if (r.status == 0)
            return PrintRun::Done;
        return r.stopped ? PrintRun::Stopped : PrintRun::Declined;
    };
    DenListPrinting p;
    p.allSlips = [run](qint32 batch, const QString &date, const QString &count) {
        return run([&](PrintServices &s) { return PrintAllSlips(s, batch, date, count); });
    };
    p.allAssortmentLists = [run](qint32 batch, const QString &date, const QString &count) {
        return run([&](PrintServices &s) { return PrintAllAssortmentLists(s, batch, date, count); });
    };
    p.oneSlip = [run](qint32 batch, const QString &slip) {
        return run([&](PrintServices &s) { return PrintOneSlip(s, batch, slip); });
    };
    p.oneAssortmentList = [run](qint32 batch, const QString &order) {
        return run([&](PrintServices &s) { return PrintOneAssortmentList(s, batch, order); });
    };
    return p;
}

} // namespace

void registerScreens()
{
    ScreenRegistry::add(QStringLiteral("frm0101_DenList"), [](QWidget *parent, Dialogs &d) -> QDialog * {
        auto *screen = new frm0101_DenList(d, DenListPrinting{}, parent);
        // The print window belongs to the slip list.
        screen->setPrinting(slipListPrinting(screen, d));
        return screen;
    });
    ScreenRegistry::add(QStringLiteral("frm0001_Option"),
                        [](QWidget *parent, Dialogs &d) -> QDialog * { return new frm0001_Option(d, parent); });
    ScreenRegistry::add(QStringLiteral("frm0002_Option_Gyoumu"), [](QWidget *parent, Dialogs &d) -> QDialog * {
        return new frm0002_Option_Gyoumu(d, parent);
    });
    ScreenRegistry::add(QStringLiteral("frm9901_Var"),
                        [](QWidget *parent, Dialogs &) -> QDialog * { return new frm9901_Var(parent); });
}
