#pragma once
// The print window: a small modal window with "印刷中" and a cancel button,
// shown while slips or assortment lists print. It is a view the run
// reports into (PrintProgress): it shows itself when the run starts, shows
// the page in progress, and hides when the run ends. The cancel button,
// or closing the window, asks the run to stop; the run asks the operator
// after the page in progress.
//
// A screen prints with one call:
//
//   const PrintActionResult r = frm0500_Printout::run(this, db, dialogs,
//       [&](PrintServices &s) { return PrintAllSlips(s, batch, printed, count); });
//
// which sets up the renderer from the settings, shows this window during
// the run, tells the operator where a PDF went, and shows an error that
// ended the run.

#include "slips/PrintActions.h"
#include "slips/PrintProgress.h"
#include "ui/FocusReturn.h"

#include <QDialog>

#include <functional>
#include <optional>

class Database;
class Dialogs;
class QLabel;
class QPushButton;

class frm0500_Printout : public QDialog, public PrintProgress {
    Q_OBJECT
public:
    explicit frm0500_Printout(QWidget *parent = nullptr);

    // One of the four print actions with this window as its progress view.
    // Returns the action's result; after an error, which has been shown,
    // its status and error are the error number.
    static PrintActionResult run(QWidget *parent, Database &db, Dialogs &dialogs,
                                 const std::function<PrintActionResult(PrintServices &)> &action);

    // PrintProgress
    void runStarted() override;
    void beforePage(int page, int row, int rows) override;
    bool stopRequested() const override { return stopRequest_ != 0; }
    void clearStopRequest() override { stopRequest_ = 0; }
    void runEnded() override;

    QLabel *Label1 = nullptr;
    QLabel *labPage = nullptr;
    QPushButton *cmdCan = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    bool running_ = false;
    // The screen that printed has the keyboard again when the window hides.
    std::optional<FocusReturn> back_;
    qint16 stopRequest_ = 0; // -1 once cancel is clicked
};
