#include "slips/ui/frm0501_Preview.h"

#include "slips/PreviewRenderer.h"
#include "slips/PrintSetup.h"
#include "slips/Printout.h"
#include "slips/ui/frm0500_Printout.h"
#include "store/Dialogs.h"
#include "ui/FocusReturn.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

frm0501_Preview::frm0501_Preview(const PreviewRenderer &pages, QWidget *parent)
    : QDialog(parent), pages_(pages), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName(QStringLiteral("frm0501_Preview"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    // The preview's printer only carries the pages to the screen; with no
    // print server a QPrinter is a PDF writer, which draws the same.
    printer_->setFullPage(true);
    auto *layout = new QVBoxLayout(this);
    preview = new QPrintPreviewWidget(printer_.get(), this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setViewMode(QPrintPreviewWidget::SinglePageView);
    preview->setZoomMode(QPrintPreviewWidget::FitInView);
    connect(preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter *printer) {
        pages_.paintPages(*printer);
    });
    layout->addWidget(preview, 1);

    auto *bar = new QHBoxLayout;
    auto button = [&](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    cmdPrev = button(QStringLiteral("前のページ"), "cmdPrev");
    labPage = new QLabel(this);
    labPage->setObjectName(QStringLiteral("labPage"));
    bar->addWidget(labPage);
    cmdNext = button(QStringLiteral("次のページ"), "cmdNext");
    bar->addStretch(1);
    cmdPrint = button(QStringLiteral("印刷"), "cmdPrint");
    cmdClose = button(QStringLiteral("閉じる"), "cmdClose");
    layout->addLayout(bar);
    resize(900, 700);

    connect(cmdPrev, &QPushButton::clicked, this, [this] { showPage(currentPage() - 1); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { showPage(currentPage() + 1); });
    connect(cmdPrint, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(preview, &QPrintPreviewWidget::previewChanged, this, &frm0501_Preview::updatePageLabel);
    new QShortcut(QKeySequence(Qt::Key_PageUp), this, this, [this] { showPage(currentPage() - 1); });
    new QShortcut(QKeySequence(Qt::Key_PageDown), this, this, [this] { showPage(currentPage() + 1); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    preview->updatePreview();
    updatePageLabel();
}

frm0501_Preview::~frm0501_Preview() = default;

int frm0501_Preview::pageCount() const
{
    return preview->pageCount();
}

int frm0501_Preview::currentPage() const
{
    return preview->currentPage();
}

void frm0501_Preview::showPage(int page)
{
    if (page < 1 || page > pageCount())
        return;
    preview->setCurrentPage(page);
    updatePageLabel();
}

void frm0501_Preview::updatePageLabel()
{
    labPage->setText(QStringLiteral("%1 / %2 ページ").arg(currentPage()).arg(pageCount()));
    cmdPrev->setEnabled(currentPage() > 1);
    cmdNext->setEnabled(currentPage() < pageCount());
}

bool frm0501_Preview::run(QWidget *parent, Database &db, Dialogs &dialogs,
                          const std::function<PrintActionResult(PrintServices &)> &action)
{
    PreviewRenderer renderer;
    PrintActionResult result;
    try {
        frm0500_Printout window(parent);
        PrintRunner runner(db, dialogs, renderer, &window, PrintSetup::assortmentItemRows());
        PrintServices services{db, dialogs, runner};
        result = action(services);
    } catch (const DbError &e) {
        result.error = e.number();
        result.errorText = e.description();
    }
    if (result.error != 0) {
        dialogs.error(QStringLiteral("プレビューの作成中にエラーが発生しました。") + QStringLiteral("\r\n")
                      + QStringLiteral("エラーNo=%1").arg(result.error) + QStringLiteral("\r\n") + result.errorText);
        return false;
    }
    if (result.stopped)
        return false;
    if (renderer.pages().empty()) {
        dialogs.info(QStringLiteral("印刷するページはありません。"));
        return false;
    }
    frm0501_Preview window(renderer, parent);
    return execReturningFocus(window) == QDialog::Accepted;
}
