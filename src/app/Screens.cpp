#include "app/Screens.h"

#include "app/ScreenRegistry.h"
#include "app/frm0001_Option.h"
#include "app/frm0002_Option_Gyoumu.h"
#include "slips/ui/frm0101_DenList.h"
#include "app/frm9901_Var.h"
#include "billing/ui/frm0120_SeikyuList.h"
#include "billing/ui/frm0121_Simebi_In.h"
#include "maint/ui/frm0100_List.h"
#include "maint/ui/frm0130_DataDel.h"
#include "maint/ui/frm0131_Backup.h"
#include "maint/ui/frm9900_DBCompact.h"
#include "output/ui/frm0122_CS_Menu.h"
#include "slips/ui/frm0500_Printout.h"
#include "output/ui/frm0102_DenSuuEdit.h"
#include "store/Connection.h"
#include "tags/ui/frm0110_InjiList.h"
#include "tags/ui/frm0201_IraiKakunin.h"
#include "tags/ui/frm0210_InjiList.h"
#include "ui/FocusReturn.h"

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
    ScreenRegistry::add(QStringLiteral("frm0120_SeikyuList"), [](QWidget *parent, Dialogs &d) -> QDialog * {
        return new frm0120_SeikyuList(d, readBillingSettings(), parent);
    });
    ScreenRegistry::add(QStringLiteral("frm0121_Simebi_In"), [](QWidget *parent, Dialogs &d) -> QDialog * {
        return new frm0121_Simebi_In(d, readBillingSettings(), parent);
    });
    ScreenRegistry::add(QStringLiteral("frm0110_InjiList"),
                        [](QWidget *parent, Dialogs &d) -> QDialog * { return new frm0110_InjiList(d, parent); });
    ScreenRegistry::add(QStringLiteral("frm0201_IraiKakunin"),
                        [](QWidget *parent, Dialogs &d) -> QDialog * { return new frm0201_IraiKakunin(d, parent); });
    ScreenRegistry::add(QStringLiteral("frm0210_InjiList"), [](QWidget *parent, Dialogs &d) -> QDialog * {
        // The correction screen in request mode, over the request list.
        auto correct = [&d](QWidget *owner, const QString &request, const QString &orderNo) {
            frm0102_DenSuuEdit edit(d, owner);
            edit.set_DENNO(request, orderNo, QStringLiteral("なし"), true);
            execReturningFocus(edit);
        };
        return new frm0210_InjiList(d, correct, parent);
    });
    // Maintenance.
    ScreenRegistry::add(QStringLiteral("frm0100_List"),
                        [](QWidget *parent, Dialogs &d) -> QDialog * { return new frm0100_List(d, parent); });
    ScreenRegistry::add(QStringLiteral("frm0130_DataDel"),
                        [](QWidget *parent, Dialogs &d) -> QDialog * { return new frm0130_DataDel(d, parent); });
    ScreenRegistry::add(QStringLiteral("frm0131_Backup"), [](QWidget *parent, Dialogs &d) -> QDialog * {
        return new frm0131_Backup(d, frm0131_Backup::MakeBackup, parent);
    });
    ScreenRegistry::add(QStringLiteral("frm0132_Restore"), [](QWidget *parent, Dialogs &d) -> QDialog * {
        return new frm0131_Backup(d, frm0131_Backup::Restore, parent);
    });
    ScreenRegistry::add(QStringLiteral("frm9900_DBCompact"),
                        [](QWidget *parent, Dialogs &d) -> QDialog * { return new frm9900_DBCompact(d, parent); });
    ScreenRegistry::add(QStringLiteral("frm0122_CS_Menu"),
                        [](QWidget *parent, Dialogs &d) -> QDialog * { return new frm0122_CS_Menu(d, parent); });
}
