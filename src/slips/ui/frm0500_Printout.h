#pragma once
// The print window: a small modal window with "印刷中" and a cancel button,
// shown while slips or assortment lists print. Its first activation starts
// the run; the cancel button asks the run to stop, and the run asks the
// operator after the page in progress; the window closes itself when the
// run ends.
//
// A screen prints with one call:
//
//   const PrintActionResult r = frm0500_Printout::run(this, db, dialogs,
//       [&](PrintServices &s) { return PrintAllSlips(s, batch, printed, count); });
//
// which sets up the renderer from the settings, shows this window for the
// run, tells the operator where a PDF went, and reports an error that
// ended the run.

#include "slips/PrintActions.h"
#include "slips/Printout.h"

#include <QDialog>

#include <exception>
#include <utility>
#include <functional>

class QLabel;
class QPushButton;

class frm0500_Printout : public QDialog, public PrintWindow, private PrintProgress {
    Q_OBJECT
public:
    frm0500_Printout(Database &db, Dialogs &dialogs, FormRenderer &renderer, QWidget *parent = nullptr);

    // One of the four print actions with this window as its print window.
    // Returns the action's result; after an error, which has been shown,
    // its status is the error number.
    static PrintActionResult run(QWidget *parent, Database &db, Dialogs &dialogs,
                                 const std::function<PrintActionResult(PrintServices &)> &action);

    // Item rows of the assortment form per page.
    void setListItemRows(int rows) { listItemRows_ = rows; }

    // PrintWindow: shows the window modally and prints `rows` in it.
    int print(PrintRecordset &rows, bool syorikubun) override;

    QLabel *Label1 = nullptr;
    QLabel *labPage = nullptr;
    QPushButton *cmdCan = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void startRun();
    // PrintProgress
    void beforePage(int page, int row, int rows) override;
    bool stopRequested() const override { return stopRequest_ != 0; }
    void clearStopRequest() override { stopRequest_ = 0; }

    Database &db_;
    Dialogs &dialogs_;
    FormRenderer &renderer_;
    int listItemRows_ = 14;
    PrintRecordset *rows_ = nullptr;
    bool syorikubun_ = true;
    bool started_ = false;
    bool running_ = false;
    qint16 stopRequest_ = 0; // -1 once cancel is clicked
    int pages_ = 0;
    std::exception_ptr failure_;
};
