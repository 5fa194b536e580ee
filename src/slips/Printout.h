#pragma once
// The print window frm0500_Printout without its widgets: what it does
// between being shown and closing itself. The caller opens the rows to
// print (PrintRecordset) and chooses slips or assortment lists
// (syorikubun); the run prints one page after another through the form
// renderer, lets the operator stop between pages, and leaves
// AppState::PrintCancelled at 0 for a complete run and 1 for a stopped one.
//
// The window itself (tobari_slips_ui) and the batch mode differ only in
// what they hand in as PrintProgress: the window's cancel button sets the
// stop request, the batch mode never does.
//
// Failures — of the form renderer, of the database, or data that would
// print a wrong page — throw DbError and end the run where it stands: the
// slips printed before it stay printed and stamped, the rest are neither,
// and PrintCancelled is 1, so the caller does not stamp the batch as done.
// The open job is left as a stopped run leaves it; whoever owns the
// renderer resets or destroys it, which delivers the pages printed.

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

// What the print window shows and whether the operator asked to stop.
class PrintProgress {
public:
    virtual ~PrintProgress() = default;
    // Before each page is filled. The window lets pending events run here,
    // which is how a click on its cancel button is seen during a run, and
    // shows how far the run is: `page` is the page about to be printed
    // (from 1), `row` the row of PrintRecordset it belongs to (from 1) of
    // `rows`.
    virtual void beforePage(int page, int row, int rows) = 0;
    // The cancel button was clicked since the last clearStopRequest.
    virtual bool stopRequested() const = 0;
    // The operator answered that the run goes on after all.
    virtual void clearStopRequest() = 0;
};

// No window and no cancel button: the batch mode and tests.
class NoStopProgress : public PrintProgress {
public:
    void beforePage(int, int, int) override {}
    bool stopRequested() const override { return false; }
    void clearStopRequest() override {}
};

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
};

// The run of the window: slips when `syorikubun` is true, assortment lists
// otherwise. Returns the number of pages printed; `rows` is released
// ("set to nothing") at the end, whether the run completed, stopped or
// failed.
int Printout(PrintContext &ctx, PrintRecordset &rows, bool syorikubun);

// The print window as the print actions see it.
class PrintWindow {
public:
    virtual ~PrintWindow() = default;
    // Shows the window modally; on its first activation it runs Printout on
    // `rows` and then closes itself. Returns the pages printed; a failure
    // of the run is thrown once the window has closed.
    virtual int print(PrintRecordset &rows, bool syorikubun) = 0;
};

// A print window that is never seen: the run happens at once.
class DirectPrintWindow : public PrintWindow {
public:
    DirectPrintWindow(Database &db, Dialogs &dialogs, FormRenderer &renderer, PrintProgress *progress = nullptr,
                      int listItemRows = 14);
    int print(PrintRecordset &rows, bool syorikubun) override;

private:
    Database &db_;
    Dialogs &dialogs_;
    FormRenderer &renderer_;
    NoStopProgress noStop_;
    PrintProgress *progress_;
    int listItemRows_;
};
