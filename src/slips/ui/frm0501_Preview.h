#pragma once
// The print preview: the pages a print key would send to the stock, shown
// on screen with the frame drawn pale as on plain paper. The operator pages
// through them, then closes the window or asks to print; printing is the
// ordinary print key's run (its questions, its stamps), started by the
// caller once this window is closed, since the preview itself stamps
// nothing.
//
// A screen previews with one call:
//
//   if (frm0501_Preview::run(this, db, dialogs,
//           [&](PrintServices &s) { return PreviewSlips(s, batch); }))
//       ... print as the print key does ...

#include "slips/PrintActions.h"

#include <QDialog>

#include <functional>
#include <memory>

class Database;
class Dialogs;
class PreviewRenderer;
class QLabel;
class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

class frm0501_Preview : public QDialog {
    Q_OBJECT
public:
    // Shows the pages `pages` holds; they must outlive the window.
    explicit frm0501_Preview(const PreviewRenderer &pages, QWidget *parent = nullptr);
    ~frm0501_Preview() override;

    // Makes the pages with `action` (one of the preview actions) in the
    // print window, shows them, and returns true when the operator chose
    // "印刷". An error that ended the run is shown, and nothing is
    // previewed; so is a run without pages.
    static bool run(QWidget *parent, Database &db, Dialogs &dialogs,
                    const std::function<PrintActionResult(PrintServices &)> &action);

    int pageCount() const;
    int currentPage() const;
    void showPage(int page);

    QPrintPreviewWidget *preview = nullptr;
    QLabel *labPage = nullptr;
    QPushButton *cmdPrev = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    void updatePageLabel();

    const PreviewRenderer &pages_;
    std::unique_ptr<QPrinter> printer_;
};
