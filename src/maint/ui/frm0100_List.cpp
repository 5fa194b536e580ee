#include "maint/ui/frm0100_List.h"

#include "ui/GridView.h"
#include "ui/LoadGrid.h"
#include "maint/ImportList.h"
#include "store/DbError.h"
#include "store/Dialogs.h"

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
    connect(botViewS[1], &QAction::triggered, this, [this] { showPending(1); });
    connect(botViewS[2], &QAction::triggered, this, [this] { showPending(2); });
    QMenu *botHelp = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    botHelp->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ 0.0.1β"));
    layout->setMenuBar(bar);
    tdbList = new GridView(this);
    layout->addWidget(tdbList);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    resize(640, 420);
}

void frm0100_List::showPending(int item)
{
    try {
        LoadImportListGrid(*tdbList,
                           ImportList::pendingSql(item == 1 ? ImportList::Pending::AssortmentLists
                                                            : ImportList::Pending::Slips),
                           dialogs_);
    } catch (const DbError &e) {
        dialogs_.error(unhandledErrorText(e.number(), e.description()), applicationTitle());
    }
}
