#pragma once
// A print run. The caller opens the rows to print (PrintRecordset) and
// chooses slips or assortment lists (syorikubun); the run prints one page
// after another through the form renderer, reports into a PrintProgress,
// lets the operator stop between pages, and returns what it did.
//
// The print window (tobari_slips_ui) and the batch mode differ only in
// what they hand in as PrintProgress: the window's cancel button sets the
// stop request, the batch mode never does.
//
// Failures — of the form renderer, of the database, or data that would
// print a wrong page — end the run where it stands and come back in the
// result: the slips printed before it stay printed and stamped, the rest
// are neither, and the run is not complete, so the caller does not stamp
// the batch as done. The open job is left as a stopped run leaves it;
// whoever owns the renderer resets or destroys it, which delivers the
// pages printed.

#include "slips/PrintProgress.h"
#include "store/DbError.h"

#include <QString>

class Database;
class Dialogs;
class FormRenderer;
class PrintRecordset;

namespace PrintErr {
constexpr int LineNotOnForm = 20101; // a slip line whose position the slip form has no row for
constexpr int LineRepeated = 20102;  // two lines of one slip on the same position
constexpr int NotANumber = 20103;    // a stored figure that is not a number
constexpr int TooLarge = DbErr::Overflow; // a product or total beyond 64 bits
} // namespace PrintErr

// The printers chosen on the settings screen (empty: the default printer,
// or a PDF file when the renderer is set up for one).
struct PrintPrinters {
    QString slips;   // Den_Printer
    QString lists;   // Shina_Printer
};
PrintPrinters printersFromSettings();

struct PrintContext {
    Database &db;
    Dialogs &dialogs;     // the question between pages
    FormRenderer &renderer;
    PrintProgress &progress;
    // Item rows the assortment form holds on one page (its "ListHed" list);
    // an order with more items continues on further pages.
    int listItemRows = 14;
    // Read once by whoever starts the run, never inside the page loop.
    PrintPrinters printers;
    // Off for a preview: the pages are made as for the printer, but no
    // slip is marked issued, since none reached the stock.
    bool stamp = true;
    // Set by the run when the operator confirmed a stop.
    bool stopped = false;
};

struct PrintRunResult {
    int pages = 0;          // pages printed before the run ended
    bool complete = false;  // went to its end: neither stopped nor failed
    int error = 0;          // the number of the error that ended it, 0 when none
    QString errorText;      // its description
};

// The run: slips when `syorikubun` is true, assortment lists otherwise.
// `rows` is released ("set to nothing") at the end, whether the run
// completed, stopped or failed.
PrintRunResult Printout(PrintContext &ctx, PrintRecordset &rows, bool syorikubun);

// Starts runs with the printers chosen on the settings screen, reporting
// into `progress` (none: nobody sees the run and nobody stops it).
class PrintRunner {
public:
    PrintRunner(Database &db, Dialogs &dialogs, FormRenderer &renderer, PrintProgress *progress = nullptr,
                int listItemRows = 14);
    PrintRunResult print(PrintRecordset &rows, bool syorikubun);
    // The same run with stamping off (PrintContext::stamp).
    PrintRunResult preview(PrintRecordset &rows, bool syorikubun);

private:
    Database &db_;
    Dialogs &dialogs_;
    FormRenderer &renderer_;
    NoStopProgress noStop_;
    PrintProgress *progress_;
    int listItemRows_;
};
