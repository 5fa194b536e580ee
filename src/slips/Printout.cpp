#include "slips/Printout.h"

#include "slips/AssortmentPrinting.h"
#include "slips/PrintRecordset.h"
#include "slips/SlipPrinting.h"
#include "store/Settings.h"

PrintPrinters printersFromSettings()
{
    return {Settings::readText(SettingKey::DenPrinter), Settings::readText(SettingKey::ShinaPrinter)};
}

PrintRunResult Printout(PrintContext &ctx, PrintRecordset &rows, bool syorikubun)
{
    PrintRunResult result;
    ctx.stopped = false;
    ctx.progress.runStarted();
    try {
        result.pages = syorikubun ? PrintSlips(ctx, rows) : PrintAssortmentLists(ctx, rows);
        result.complete = !ctx.stopped;
    } catch (const DbError &e) {
        result.error = e.number();
        result.errorText = e.description();
    } catch (...) {
        rows.release();
        ctx.progress.runEnded();
        throw;
    }
    rows.release();
    ctx.progress.runEnded();
    return result;
}

PrintRunner::PrintRunner(Database &db, Dialogs &dialogs, FormRenderer &renderer, PrintProgress *progress,
                         int listItemRows)
    : db_(db), dialogs_(dialogs), renderer_(renderer), progress_(progress), listItemRows_(listItemRows)
{
}

PrintRunResult PrintRunner::print(PrintRecordset &rows, bool syorikubun)
{
    PrintContext ctx{db_, dialogs_, renderer_, progress_ ? *progress_ : noStop_, listItemRows_,
                     printersFromSettings()};
    return Printout(ctx, rows, syorikubun);
}

PrintRunResult PrintRunner::preview(PrintRecordset &rows, bool syorikubun)
{
    PrintContext ctx{db_, dialogs_, renderer_, progress_ ? *progress_ : noStop_, listItemRows_,
                     printersFromSettings()};
    ctx.stamp = false;
    return Printout(ctx, rows, syorikubun);
}
