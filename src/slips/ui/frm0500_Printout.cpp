#include "slips/ui/frm0500_Printout.h"

#include "slips/PrintSetup.h"
#include "store/Dialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

frm0500_Printout::frm0500_Printout(Database &db, Dialogs &dialogs, FormRenderer &renderer, QWidget *parent)
    : QDialog(parent), db_(db), dialogs_(dialogs), renderer_(renderer)
{
    setObjectName(QStringLiteral("frm0500_Printout"));
    // The caption says what the window is doing.
    setWindowTitle(QStringLiteral("印刷中"));
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("印刷中"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont big = Label1->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    Label1->setFont(big);
    labPage = new QLabel(this);
    labPage->setObjectName(QStringLiteral("labPage"));
    labPage->setAlignment(Qt::AlignCenter);
    cmdCan = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cmdCan->setObjectName(QStringLiteral("cmdCan"));
    cmdCan->setAutoDefault(false);
    layout->addWidget(Label1);
    layout->addWidget(labPage);
    layout->addWidget(cmdCan, 0, Qt::AlignHCenter);
    setMinimumWidth(260);
    connect(cmdCan, &QPushButton::clicked, this, [this] { stopRequest_ = -1; });
}

int frm0500_Printout::print(PrintRecordset &rows, bool syorikubun)
{
    rows_ = &rows;
    syorikubun_ = syorikubun;
    started_ = false;
    stopRequest_ = 0;
    pages_ = 0;
    failure_ = nullptr;
    labPage->clear();
    // From here until the run ends the window only closes itself.
    running_ = true;
    exec();
    rows_ = nullptr;
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
    return pages_;
}

void frm0500_Printout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Printing begins once the window is up, so that it is seen, and
    // only on the first activation of a showing.
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, &frm0500_Printout::startRun);
    }
}

void frm0500_Printout::startRun()
{
    PrintContext ctx{db_, dialogs_, renderer_, *this, listItemRows_, printersFromSettings()};
    try {
        pages_ = Printout(ctx, *rows_, syorikubun_);
    } catch (...) {
        failure_ = std::current_exception();
    }
    running_ = false;
    accept();
}

void frm0500_Printout::beforePage(int page, int row, int rows)
{
    labPage->setText(QStringLiteral("%1 / %2 件目（%3 ページ目）").arg(row).arg(rows).arg(page));
    // The only moment the window sees its cancel button during a run.
    QCoreApplication::processEvents();
}

void frm0500_Printout::closeEvent(QCloseEvent *event)
{
    // Closing the window during a run asks it to stop, as the cancel button
    // does; the run closes the window itself when it ends.
    if (running_) {
        stopRequest_ = -1;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frm0500_Printout::reject()
{
    if (running_) {
        stopRequest_ = -1;
        return;
    }
    QDialog::reject();
}

PrintActionResult frm0500_Printout::run(QWidget *parent, Database &db, Dialogs &dialogs,
                                        const std::function<PrintActionResult(PrintServices &)> &action)
{
    PrintActionResult result;
    try {
        QtFormRenderer renderer(PrintSetup::rendererOptions());
        frm0500_Printout window(db, dialogs, renderer, parent);
        window.setListItemRows(PrintSetup::assortmentItemRows());
        PrintServices services{db, dialogs, window};
        try {
            result = action(services);
        } catch (...) {
            // The pages printed before the failure belong to stamped slips.
            try {
                PrintSetup::tellPdf(renderer, dialogs);
            } catch (...) {
            }
            throw;
        }
        PrintSetup::tellPdf(renderer, dialogs);
    } catch (const DbError &e) {
        dialogs.error(QStringLiteral("印刷中にエラーが発生しました。") + QStringLiteral("\r\n")
                      + QStringLiteral("エラーNo=%1").arg(e.number()) + QStringLiteral("\r\n") + e.description());
        result.status = e.number();
    }
    return result;
}
