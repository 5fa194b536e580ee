#include "billing/ui/frm0120_SeikyuList.h"

#include "ui/WindowSize.h"
#include "ui/FunctionKeyBar.h"
#include "ui/GridView.h"
#include "ui/ScreenParts.h"
#include "ui/LoadGrid.h"
#include "billing/BillingFile.h"
#include "billing/BillingFileView.h"
#include "billing/ui/BillingFileViewer.h"
#include "billing/BillingRun.h"
#include "billing/ClosingPeriod.h"
#include "output/clsCustomDOP.h"
#include "store/AppFolder.h"
#include "store/Connection.h"
#include "store/DbError.h"
#include "store/Dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

const QString kRunNo = QStringLiteral("請求管理No");
// Hidden key columns of the slip lists.
const QString kSlipKey = QStringLiteral("IDX");
const QString kRunKey = QStringLiteral("IDX1");
const QString kRunSlipKey = QStringLiteral("IDX2");
const QString kTick = QStringLiteral("CK");

} // namespace

template <class F>
void frm0120_SeikyuList::guarded(F &&action)
{
    try {
        action();
    } catch (const DbError &e) {
        dialogs_.error(unhandledErrorText(e.number(), e.description()), windowTitle());
    }
}

frm0120_SeikyuList::frm0120_SeikyuList(Dialogs &dialogs, BillingSettings settings, QWidget *parent)
    : QDialog(parent), dialogs_(dialogs), settings_(std::move(settings))
{
    setObjectName(QStringLiteral("frm0120_SeikyuList"));
    setWindowTitle(QStringLiteral("請求選択処理"));
    auto *layout = new QVBoxLayout(this);
    labSimeMi = new QLabel(QStringLiteral("締日計算 - 未処理 -"), this);
    labSimeMi->setObjectName(QStringLiteral("labSimeMi"));
    layout->addWidget(labSimeMi);
    auto *grids = new QGridLayout;
    auto place = [&](const QString &title, GridView *&grid, const char *name, int row, int column) {
        auto *box = new QVBoxLayout;
        box->addWidget(new QLabel(title, this));
        grid = new GridView(this);
        grid->setObjectName(QString::fromLatin1(name));
        box->addWidget(grid, 1);
        grids->addLayout(box, row, column);
    };
    place(QStringLiteral("今月請求対象"), tdbList1, "tdbList1", 0, 0);
    place(QStringLiteral("次回請求分"), tdbList4, "tdbList4", 1, 0);
    place(QStringLiteral("請求履歴"), tdbList2, "tdbList2", 0, 1);
    place(QStringLiteral("請求内訳"), tdbList3, "tdbList3", 1, 1);
    layout->addLayout(grids, 1);
    xlabFnc = new FunctionKeyBar(this);
    layout->addWidget(xlabFnc);
    xlabFnc->listenTo(this);
    openSized(this, QSize(1240, 740));

    connect(xlabFnc, &FunctionKeyBar::pressed, this, &frm0120_SeikyuList::functionKey);
    for (GridView *grid : {tdbList1, tdbList4, tdbList3}) {
        connect(grid, &GridView::cellEdited, this,
                [this, grid](int row, int column) { guarded([&] { tickChanged(grid, row, column); }); });
        connect(grid, &GridView::focusEntered, this, [this] { SetFunctionKeys(SlipMode); });
    }
    connect(tdbList2, &GridView::focusEntered, this, [this] { SetFunctionKeys(HistoryMode); });
    connect(tdbList2, &GridView::buttonClicked, this, [this](int row, int) { guarded([&] { showRun(row); }); });
    connect(tdbList2, &GridView::currentRowChanged, this, [this](int row, int previous) {
        if (row != previous)
            tdbList3->gridModel()->clearRows();
    });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    SetFunctionKeys(SlipMode);
}

void frm0120_SeikyuList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        guarded([&] { loadLists(); });
        // This month's slips first, then those left for later, then the runs.
        focusFirstGridWithRows({tdbList1, tdbList4, tdbList2});
    }
}

void frm0120_SeikyuList::loadLists()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        Database &db = RequireConnection();
        const ClosingPeriod period = storedClosingPeriod(db);
        periodOpen_ = period.isOpen();
        labSimeMi->setVisible(!periodOpen_);
        setWindowTitle(periodOpen_ ? QStringLiteral("請求選択処理   期間 自(%1)～ 至(%2)").arg(period.from, period.to)
                                   : QStringLiteral("請求選択処理   締日計算未処理"));
        LoadGrid(*tdbList4, currentSlipsSql(false), db);
        LoadGrid(*tdbList2, billingHistorySql(), db);
        LoadGrid(*tdbList1, currentSlipsSql(true), db);
        LoadGrid(*tdbList3, billingRunSlipsSql(0), db);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

void frm0120_SeikyuList::SetFunctionKeys(Mode mode)
{
    mode_ = mode;
    xlabFnc->clearCaptions();
    if (mode == SlipMode) {
        xlabFnc->setCaption(0, QStringLiteral("出力"));
    } else {
        xlabFnc->setCaption(0, QStringLiteral("再出力"));
        xlabFnc->setCaption(1, QStringLiteral("ｶｽﾀﾑ出力"));
        xlabFnc->setCaption(2, QStringLiteral("ﾃﾞｰﾀ確認"));
        // Shown as the history has always shown them; cancelling a closing
        // calculation is a main-screen command and runs are removed by the
        // retention deletion.
        xlabFnc->setCaption(4, QStringLiteral("取消"));
        xlabFnc->setCaption(5, QStringLiteral("削除"));
    }
    xlabFnc->setCaption(3, QStringLiteral("金額確認"));
    xlabFnc->setCaption(8, QStringLiteral("戻る"));
}

void frm0120_SeikyuList::functionKey(int index)
{
    guarded([&] {
        switch (index) {
        case 0:
            if (mode_ == SlipMode)
                bill(false);
            else
                reoutput();
            break;
        case 1:
            if (mode_ == HistoryMode)
                customExport();
            break;
        case 2:
            if (mode_ == HistoryMode)
                viewFile();
            break;
        case 3:
            bill(true);
            break;
        case 8:
            reject();
            break;
        default:
            break;
        }
    });
}

void frm0120_SeikyuList::tickChanged(GridView *grid, int row, int column)
{
    GridModel &m = *grid->gridModel();
    if (column != m.columnOf(kTick))
        return;
    const bool ticked = isTickedText(m.text(row, column));
    Database &db = RequireConnection();
    if (grid == tdbList3)
        setCarriedTick(db, m.text(row, kRunKey).toInt(), m.text(row, kRunSlipKey).toInt(), ticked);
    else
        setCurrentTick(db, m.text(row, kSlipKey).toInt(), ticked);
}

void frm0120_SeikyuList::showRun(int row)
{
    if (row < 0 || tdbList2->gridModel()->columnOf(kRunNo) < 0)
        return;
    LoadGrid(*tdbList3, billingRunSlipsSql(tdbList2->gridModel()->text(row, kRunNo).toInt()));
    tdbList3->setFocus(Qt::OtherFocusReason);
}

QString frm0120_SeikyuList::currentRun() const
{
    return tdbList2->currentText(kRunNo);
}

void frm0120_SeikyuList::bill(bool checkOnly)
{
    const SeikyuOutcome r = SeikyuKakunin(RequireConnection(), dialogs_, settings_, periodOpen_, checkOnly);
    // Once the billing question was answered OK the desk closes, whatever
    // became of the run: its lists no longer show the database.
    if (r.asked)
        accept();
}

void frm0120_SeikyuList::reoutput()
{
    const QString run = currentRun();
    if (run.isEmpty()) {
        dialogs_.message(QStringLiteral("再出力を行う明細を選択してください。"), windowTitle(), MsgIcon::Warning,
                         MsgButtons::Ok, MsgResult::Ok);
        return;
    }
    const BillingFileOutcome r = WriteBillingFile(RequireConnection(), dialogs_, settings_, run.toInt());
    if (r.result == BillingFileResult::Written)
        dialogs_.info(QStringLiteral("再出力処理が終了しました。"), windowTitle());
    else
        dialogs_.message(QStringLiteral("再出力処理がキャンセル又は異常終了しました。"), windowTitle(), MsgIcon::Warning,
                         MsgButtons::Ok, MsgResult::Ok);
}

void frm0120_SeikyuList::customExport()
{
    clsCustomDOP exporter;
    const int found = exporter.setFile(AppFolder::file(QStringLiteral("SQL/SEIKYU.SQL")));
    if (found == 1) {
        dialogs_.message(QStringLiteral("請求カスタム書き出し用の設定ファイルがありません。"), QString(), MsgIcon::None,
                         MsgButtons::Ok, MsgResult::Ok);
        return;
    }
    if (found != 0)
        return;
    QStringList values(clsCustomDOP::ParameterCount, QStringLiteral(" "));
    values[0] = currentRun();
    // No row and no folder chosen say nothing, as before; a failure is told.
    const qint32 r = exporter.eXport(RequireConnection(), dialogs_, values);
    if (r != clsCustomDOP::Written && r != clsCustomDOP::NoRows && r != clsCustomDOP::NoFolder)
        dialogs_.error(exporter.failureText(r), windowTitle());
}

void frm0120_SeikyuList::viewFile()
{
    const QString path = dialogs_.openFile(QStringLiteral("確認する請求データファイル"), settings_.writePath,
                                           QStringLiteral("テキスト ファイル (*.txt);;すべてのファイル (*)"));
    if (path.isEmpty())
        return;
    const BillingFileView view = readBillingFileView(path);
    // Window-modal without a loop of its own: the desk stays as it was
    // behind it.
    auto *viewer = new BillingFileViewer(path, view, this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->open();
}
