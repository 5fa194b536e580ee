#include "maint/ui/frm0100_List.h"

#include "ui/WindowSize.h"
#include "ui/GridView.h"
#include "ui/LoadGrid.h"
#include "maint/ImportList.h"
#include "ui/InputHelpers.h"
#include "store/Connection.h"
#include "store/DbError.h"
#include "store/Dialogs.h"
#include "store/GridColumns.h"

#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QVBoxLayout>

frm0100_List::frm0100_List(Dialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm0100_List"));
    setWindowTitle(QStringLiteral("データ一覧"));
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QMenuBar(this);
    bar->addMenu(QStringLiteral("編集(&E)"));
    QMenu *botView = bar->addMenu(QStringLiteral("表示(&V)"));
    const char *const items[] = {"値札・PB札印字", "品揃え出力", "伝票発行", "-", "-", "伝票一覧", "請求一覧"};
    for (int i = 0; i < 7; ++i) {
        const QString text = QString::fromUtf8(items[i]);
        botViewS[i] = text == QLatin1String("-") ? botView->addSeparator() : botView->addAction(text);
    }
    // Printing tags, the slip list and the billing list are reached from the menu.
    for (int i : {0, 5, 6})
        botViewS[i]->setEnabled(false);
    connect(botViewS[1], &QAction::triggered, this, [this] { showPending(1, true); });
    connect(botViewS[2], &QAction::triggered, this, [this] { showPending(2, true); });
    QMenu *botHelp = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    botHelp->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ 0.0.1β"));
    layout->setMenuBar(bar);
    lblList = new QLabel(this);
    lblList->setObjectName(QStringLiteral("lblList"));
    layout->addWidget(lblList);
    tdbList = new GridView(this);
    layout->addWidget(tdbList);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    openSized(this, QSize(800, 520));
}

void frm0100_List::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Opens on the first list, so the screen never starts blank.
    if (!opened_) {
        opened_ = true;
        showPending(1, false);
    }
}

void frm0100_List::showPending(int item, bool chosen)
{
    const auto which = item == 1 ? ImportList::Pending::AssortmentLists : ImportList::Pending::Slips;
    GridData data;
    try {
        BusyCursor busy;
        data = loadGridData(RequireConnection(), ImportList::pendingSql(which), GridLoader::ImportList);
    } catch (const DbError &e) {
        dialogs_.error(unhandledErrorText(e.number(), e.description()), applicationTitle());
        return;
    }
    const int rows = data.rowCount();
    // An empty list is shown empty under its own name, never the rows of
    // the list chosen before.
    tdbList->gridModel()->setGridData(std::move(data));
    if (rows > 0)
        tdbList->setCurrentRow(0);
    lblList->setText(ImportList::listCaption(which, rows));
    if (rows == 0 && chosen)
        dialogs_.message(ImportList::emptyText(), ImportList::emptyTitle(), MsgIcon::Critical, MsgButtons::Ok,
                         MsgResult::Ok);
}
