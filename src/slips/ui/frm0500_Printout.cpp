#include "slips/ui/frm0500_Printout.h"

#include "slips/PrintSetup.h"
#include "slips/Printout.h"
#include "slips/QtFormRenderer.h"
#include "store/Dialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frm0500_Printout::frm0500_Printout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frm0500_Printout"));
    // The caption says what the window is doing.
    setWindowTitle(QStringLiteral("印刷中"));
    // Modal while it is up, without a loop of its own: the run keeps the
    // thread and lets the window see its events between pages.
    setWindowModality(Qt::ApplicationModal);
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

void frm0500_Printout::runStarted()
{
    stopRequest_ = 0;
    labPage->clear();
    // From here until the run ends the window only hides itself.
    running_ = true;
    if (!back_)
        back_.emplace(parentWidget());
    show();
    QCoreApplication::processEvents();
}

void frm0500_Printout::runEnded()
{
    running_ = false;
    hide();
    back_.reset();
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
        frm0500_Printout window(parent);
        PrintRunner runner(db, dialogs, renderer, &window, PrintSetup::assortmentItemRows());
        PrintServices services{db, dialogs, runner};
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
        result.error = e.number();
        result.errorText = e.description();
    }
    if (result.error != 0) {
        dialogs.error(QStringLiteral("印刷中にエラーが発生しました。") + QStringLiteral("\r\n")
                      + QStringLiteral("エラーNo=%1").arg(result.error) + QStringLiteral("\r\n") + result.errorText);
        result.status = result.error;
    }
    return result;
}
