#include "tags/ui/frm0210_InjiList.h"

#include "ui/WindowSize.h"
#include "ui/GridView.h"
#include "ui/ScreenParts.h"
#include "ui/LoadGrid.h"
#include "ui/InputHelpers.h"
#include "store/Connection.h"
#include "store/Dialogs.h"
#include "tags/RequestTags.h"
#include "tags/TagReports.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

const QString kRequest = QStringLiteral("受注No");
const QString kLines = QStringLiteral("明細件数");
const QString kOrder = QStringLiteral("発注NO");

} // namespace

template <class F>
void frm0210_InjiList::guarded(F &&action)
{
    runGuarded(dialogs_, this, std::forward<F>(action));
}

frm0210_InjiList::frm0210_InjiList(Dialogs &dialogs, Correction correction, QWidget *parent,
                                   std::function<TagSettings()> settings)
    : QDialog(parent), dialogs_(dialogs), correction_(std::move(correction)), settings_(std::move(settings))
{
    setObjectName(QStringLiteral("frm0210_InjiList"));
    setWindowTitle(QStringLiteral("印字受託印字データ作成"));
    auto *layout = new QHBoxLayout(this);
    tdbList1 = addTitledGrid(this, layout, QStringLiteral("依頼（明細件数のボタンで印字データ作成）"), "tdbList1", 3);
    tdbList2 = addTitledGrid(this, layout, QStringLiteral("発注（発注NOのボタンで数量訂正）"), "tdbList2", 2);
    openSized(this, QSize(1200, 620));
    connect(tdbList1, &GridView::buttonClicked, this,
            [this](int row, int column) { guarded([&] { requestButton(row, column); }); });
    connect(tdbList2, &GridView::buttonClicked, this,
            [this](int row, int column) { guarded([&] { orderButton(row, column); }); });
    connect(tdbList1, &GridView::currentRowChanged, this, [this](int row, int previous) {
        if (row != previous)
            tdbList2->gridModel()->clearRows();
    });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
}

void frm0210_InjiList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        guarded([&] { LoadGrid(*tdbList1, RequestTags::requestListSql(), RequireConnection()); });
        focusFirstGridWithRows({tdbList1, tdbList2});
    }
}

void frm0210_InjiList::requestButton(int row, int column)
{
    const QString request = tdbList1->gridModel()->text(row, kRequest);
    if (column == tdbList1->columnOf(kRequest)) {
        LoadGrid(*tdbList2, RequestTags::orderListSql(request), RequireConnection());
        tdbList2->setFocus();
    } else if (column == tdbList1->columnOf(kLines)) {
        if (!dialogs_.confirm(QStringLiteral("印字データを書き出しますか？"), windowTitle()))
            return;
        RequestTagsOutcome written;
        {
            BusyCursor busy;
            written = RequestTags::writeRequestTags(RequireConnection(), dialogs_, settings_(), request);
        }
        dialogs_.info(TagReports::requestTags(request, written), windowTitle());
    }
}

void frm0210_InjiList::orderButton(int row, int column)
{
    if (column != tdbList2->columnOf(kOrder) || !correction_)
        return;
    correction_(this, tdbList2->gridModel()->text(row, kRequest), tdbList2->gridModel()->text(row, kOrder));
}
