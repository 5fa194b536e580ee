#include "tags/ui/frm0201_IraiKakunin.h"

#include "ui/WindowSize.h"
#include "ui/GridView.h"
#include "ui/ScreenParts.h"
#include "ui/LoadGrid.h"
#include "ui/InputHelpers.h"
#include "store/Connection.h"
#include "store/Dialogs.h"
#include "tags/RequestWorkbooks.h"
#include "tags/TagReports.h"
#include "tags/TagSummary.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

const QString kBatchNo = QStringLiteral("管理No");
const QString kLines = QStringLiteral("明細件数");
const QString kPartnerCode = QStringLiteral("取CD");
const QString kPartnerName = QStringLiteral("取引先名");

} // namespace

template <class F>
void frm0201_IraiKakunin::guarded(F &&action)
{
    runGuarded(dialogs_, this, std::forward<F>(action));
}

frm0201_IraiKakunin::frm0201_IraiKakunin(Dialogs &dialogs, QWidget *parent, std::function<TagSettings()> settings)
    : QDialog(parent), dialogs_(dialogs), settings_(std::move(settings))
{
    setObjectName(QStringLiteral("frm0201_IraiKakunin"));
    setWindowTitle(QStringLiteral("値札発行依頼データ操作"));
    auto *layout = new QHBoxLayout(this);
    tdbList1 = addTitledGrid(this, layout, QStringLiteral("取込データ（明細件数のボタンで一括作成）"), "tdbList1", 1);
    tdbList2 = addTitledGrid(this, layout, QStringLiteral("取引先（取引先名のボタンで作成）"), "tdbList2", 1);
    openSized(this, QSize(1100, 620));
    connect(tdbList1, &GridView::buttonClicked, this,
            [this](int row, int column) { guarded([&] { batchButton(row, column); }); });
    connect(tdbList2, &GridView::buttonClicked, this,
            [this](int row, int column) { guarded([&] { partnerButton(row, column); }); });
    connect(tdbList1, &GridView::currentRowChanged, this, [this](int row, int previous) {
        if (row != previous)
            tdbList2->gridModel()->clearRows();
    });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
}

void frm0201_IraiKakunin::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        guarded([&] { LoadGrid(*tdbList1, RequestWorkbooks::batchListSql(), RequireConnection()); });
        focusFirstGridWithRows({tdbList1, tdbList2});
    }
}

void frm0201_IraiKakunin::batchButton(int row, int column)
{
    const QString batch = tdbList1->gridModel()->text(row, kBatchNo);
    if (column == tdbList1->columnOf(kBatchNo)) {
        Database &db = RequireConnection();
        LoadGrid(*tdbList2, RequestWorkbooks::partnerListSql(batch), db);
        tdbList2->setFocus();
        BuildTagSummary(db, batch.toInt());
    } else if (column == tdbList1->columnOf(kLines)) {
        make(batch.toInt(), QString(), QStringLiteral("値札発行依頼確認書のエクセルファイルを一括作成しますか？"));
    }
}

void frm0201_IraiKakunin::partnerButton(int row, int column)
{
    if (column != tdbList2->columnOf(kPartnerName))
        return;
    make(tdbList2->gridModel()->text(row, kBatchNo).toInt(), tdbList2->gridModel()->text(row, kPartnerCode),
         QStringLiteral("値札発行依頼確認書のエクセルファイルを作成しますか？"));
}

void frm0201_IraiKakunin::make(qint32 batch, const QString &partner, const QString &question)
{
    if (!dialogs_.confirm(question, windowTitle()))
        return;
    RequestWorkbooksOutcome o;
    {
        BusyCursor busy;
        o = RequestWorkbooks::makeWorkbooks(RequireConnection(), settings_(), batch, partner);
    }
    // The batch's "*" goes once every slip carries a number.
    reloadBatches();
    if (!o.failed.isEmpty())
        dialogs_.error(o.failureText(), windowTitle());
    dialogs_.info(TagReports::requestWorkbooks(o.made), windowTitle());
}

void frm0201_IraiKakunin::reloadBatches()
{
    ReloadGrid(*tdbList1, RequestWorkbooks::batchListSql(), RequireConnection(), kBatchNo);
}
