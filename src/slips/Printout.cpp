#include "slips/Printout.h"

#include "slips/AssortmentPrinting.h"
#include "slips/PrintRecordset.h"
#include "slips/SlipPrinting.h"
#include "store/AppState.h"
#include "store/Settings.h"

PrintPrinters printersFromSettings()
{
    return {Settings::readText(SettingKey::DenPrinter), Settings::readText(SettingKey::ShinaPrinter)};
}

int Printout(PrintContext &ctx, PrintRecordset &rows, bool syorikubun)
{
    try {
        const int pages = syorikubun ? PrintSlips(ctx, rows) : PrintAssortmentLists(ctx, rows);
        rows.release();
        return pages;
    } catch (...) {
        // A run that failed is not complete: the caller must not stamp the
        // batch as printed.
        AppState::PrintCancelled = 1;
        rows.release();
        throw;
    }
}

DirectPrintWindow::DirectPrintWindow(Database &db, Dialogs &dialogs, FormRenderer &renderer, PrintProgress *progress,
                                     int listItemRows)
    : db_(db), dialogs_(dialogs), renderer_(renderer), progress_(progress), listItemRows_(listItemRows)
{
}

int DirectPrintWindow::print(PrintRecordset &rows, bool syorikubun)
{
    PrintContext ctx{db_, dialogs_, renderer_, progress_ ? *progress_ : noStop_, listItemRows_,
                     printersFromSettings()};
    return Printout(ctx, rows, syorikubun);
}
