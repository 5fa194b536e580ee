#include "slips/ui/frm0101_DenList.h"

#include "output/ui/frm0102_DenSuuEdit.h"
#include "ui/FocusReturn.h"
#include "ui/FunctionKeyBar.h"
#include "ui/GridView.h"
#include "ui/ScreenParts.h"
#include "ui/LoadGrid.h"
#include "output/clsCustomDOP.h"
#include "slips/PrintActions.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/Connection.h"
#include "store/Literals.h"
#include "store/Dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

// Column captions the screen finds its cells by.
const QString kBatchNo = QStringLiteral("管理No");
const QString kSlipCount = QStringLiteral("伝票枚数");
const QString kOrderCount = QStringLiteral("発注書枚数");
const QString kSlipsOut = QStringLiteral("伝票出力日");
const QString kListsOut = QStringLiteral("品揃出力日");
const QString kIssued = QStringLiteral("伝票発行日");
const QString kOpCheck = QStringLiteral("OPCK");
const QString kSlipNo = QStringLiteral("伝票No");
// Detail grid positions: 0 the batch, 1 the slip or order number, 2 the
// order number of a slip, 3 the store name of a slip.
constexpr int DetailBatch = 0;
constexpr int DetailNumber = 1;
constexpr int DetailOrder = 2;
constexpr int DetailStore = 3;

} // namespace

template <class F>
void frm0101_DenList::guarded(F &&action)
{
    // The screen has no handling of its own around its statements: an
    // engine error is reported where the key or button started it.
    try {
        action();
    } catch (const DbError &e) {
        dialogs_.error(unhandledErrorText(e.number(), e.description()), windowTitle());
    }
}

QString frm0101_DenList::batchListSql()
{
    return BatchRows::select(QStringLiteral("TH1.INDEXNOH1 as 管理Nos00900,TH1.OLDATE as ﾃﾞｰﾀ日付D01000,"
                                            "TFG.IMPORT_DATE as 読込日D01000,%1 as 伝票枚数B00900,"
                                            "%2 as 発注書枚数B00900,"
                                            "TFG.DENPYOU_OP_DATE as 伝票出力日d01000,"
                                            "TFG.SHINAZOROE_OP_DATE as 品揃出力日d01000")
                                 .arg(BatchRows::slipCount(), BatchRows::orderCount()),
                             QStringLiteral("Order By TH1.OLDATE Desc,TH1.INDEXNOH1 Desc"));
}

QString frm0101_DenList::slipListSql(const QString &batch)
{
    return QStringLiteral("Select TH2.INDEXNOH1 as IDX1H00000,TH2.OMDNNO as 伝票NoB01000,TH2.OMHCNO as 発注NoB01000,"
                          "TH2.OMMSKN as 店舗名称S01500,TH2.OMHCDT as 発注日D01000,TH2.OMNKDT as 納期D01000,"
                          "TH2.OMTRKN as 取引先名称S01500,TH2.DEN_OP_DATE as 伝票発行日D01000,"
                          "TH2.DEN_EXP_CHECK as OPCKb00700 From TBL_RD_H2 TH2 Where TH2.INDEXNOH1=")
        + SqlNumber(batch) + QStringLiteral("And TH2.OMHCKB='0' Order By TH2.OMDNNO,TH2.INDEXNOH2");
}

QString frm0101_DenList::orderListSql(const QString &batch)
{
    return QStringLiteral("Select TH2.INDEXNOH1 as IDX1H00000,TH2.OMHCNO as 発注NoB01000,TH2.OMHCDT as 発注日D01000,"
                          "TH2.OMNKDT as 納期D01000,TH2.OMTRKN as 取引先名称S01500,"
                          "IIF(TH2.OMHCKB='0','','事前発注') as 発注形態s01000 From TBL_RD_H2 TH2 Where TH2.INDEXNOH1=")
        + SqlNumber(batch)
        + QStringLiteral("Group By TH2.INDEXNOH1,TH2.OMHCNO,TH2.OMHCDT,TH2.OMNKDT,TH2.OMTRKN,TH2.OMHCKB "
                         "Order By TH2.INDEXNOH1,TH2.OMHCNO,TH2.OMHCDT,TH2.OMNKDT,TH2.OMTRKN,TH2.OMHCKB");
}

frm0101_DenList::frm0101_DenList(Dialogs &dialogs, DenListPrinting printing, QWidget *parent)
    : QDialog(parent), dialogs_(dialogs), printing_(std::move(printing))
{
    setObjectName(QStringLiteral("frm0101_DenList"));
    setWindowTitle(QStringLiteral("伝票操作"));
    auto *layout = new QVBoxLayout(this);
    auto *grids = new QHBoxLayout;
    auto column = [&](const QString &title, GridView *&grid, const char *name) {
        auto *box = new QVBoxLayout;
        box->addWidget(new QLabel(title, this));
        grid = new GridView(this);
        grid->setObjectName(QString::fromLatin1(name));
        box->addWidget(grid, 1);
        grids->addLayout(box, 1);
    };
    column(QStringLiteral("取込データ"), tdbList1, "tdbList1");
    column(QStringLiteral("明細"), tdbList2, "tdbList2");
    layout->addLayout(grids, 1);
    xlabFnc = new FunctionKeyBar(this);
    layout->addWidget(xlabFnc);
    xlabFnc->listenTo(this);
    resize(1100, 620);

    connect(xlabFnc, &FunctionKeyBar::pressed, this, &frm0101_DenList::functionKey);
    connect(tdbList1, &GridView::buttonClicked, this,
            [this](int row, int column) { guarded([&] { batchButton(row, column); }); });
    connect(tdbList2, &GridView::buttonClicked, this,
            [this](int row, int column) { guarded([&] { detailButton(row, column); }); });
    connect(tdbList1, &GridView::currentRowChanged, this, [this](int row, int previous) {
        if (row != previous)
            clearDetail();
    });
    connect(tdbList1, &GridView::focusEntered, this, [this] {
        clearDetail();
        SetFunctionKeys(Batches);
    });
    connect(tdbList2, &GridView::focusEntered, this, [this] { SetFunctionKeys(mode_); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    SetFunctionKeys(None);
    mode_ = None;
}

void frm0101_DenList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        loadBatches();
        focusFirstGridWithRows({tdbList1, tdbList2});
        SetFunctionKeys(Batches);
    }
}

void frm0101_DenList::loadBatches()
{
    LoadGrid(*tdbList1, batchListSql(), RequireConnection());
}

void frm0101_DenList::clearDetail()
{
    tdbList2->gridModel()->clearRows();
}

void frm0101_DenList::SetFunctionKeys(int mode)
{
    xlabFnc->clearCaptions();
    switch (mode) {
    case Batches:
        xlabFnc->setCaption(0, QStringLiteral("伝票印刷"));
        xlabFnc->setCaption(1, QStringLiteral("品揃印刷"));
        xlabFnc->setCaption(2, QStringLiteral("ｶｽﾀﾑ出力"));
        xlabFnc->setCaption(4, QStringLiteral("伝票明細"));
        xlabFnc->setCaption(5, QStringLiteral("品揃明細"));
        xlabFnc->setCaption(6, QStringLiteral("伝票ﾌﾟﾚﾋﾞｭｰ"));
        xlabFnc->setCaption(7, QStringLiteral("品揃ﾌﾟﾚﾋﾞｭｰ"));
        break;
    case Slips:
        xlabFnc->setCaption(0, QStringLiteral("単枚印刷"));
        xlabFnc->setCaption(1, QStringLiteral("数量訂正"));
        xlabFnc->setCaption(2, QStringLiteral("ｶｽﾀﾑ出力"));
        xlabFnc->setCaption(6, QStringLiteral("ﾌﾟﾚﾋﾞｭｰ"));
        break;
    case Orders:
        xlabFnc->setCaption(0, QStringLiteral("単枚印刷"));
        xlabFnc->setCaption(6, QStringLiteral("ﾌﾟﾚﾋﾞｭｰ"));
        break;
    default:
        break;
    }
    xlabFnc->setCaption(8, QStringLiteral("戻る"));
    if (mode >= Batches && mode <= Orders)
        mode_ = mode;
}

void frm0101_DenList::functionKey(int index)
{
    if (index == 8) {
        reject();
        return;
    }
    const int row1 = tdbList1->currentRow();
    guarded([&] {
        switch (mode_) {
        case Batches:
            if (index == 0)
                batchButton(row1, tdbList1->columnOf(kSlipsOut));
            else if (index == 1)
                batchButton(row1, tdbList1->columnOf(kListsOut));
            else if (index == 2)
                exportDelivery();
            else if (index == 4)
                batchButton(row1, tdbList1->columnOf(kSlipCount));
            else if (index == 5)
                batchButton(row1, tdbList1->columnOf(kOrderCount));
            else if (index == 6 || index == 7)
                previewBatch(row1, index == 6);
            break;
        case Slips:
            if (index == 0)
                detailButton(tdbList2->currentRow(), DetailNumber);
            else if (index == 1)
                detailButton(tdbList2->currentRow(), DetailOrder);
            else if (index == 2)
                exportDelivery();
            else if (index == 6)
                previewDetail(tdbList2->currentRow());
            break;
        case Orders:
            if (index == 0)
                detailButton(tdbList2->currentRow(), DetailNumber);
            else if (index == 6)
                previewDetail(tdbList2->currentRow());
            break;
        default:
            break;
        }
    });
}

int frm0101_DenList::actionRow(GridView *grid)
{
    const int row = grid->currentRow();
    if (row < 0 || row >= grid->gridModel()->rowCount())
        dialogs_.message(grid == tdbList1 ? QStringLiteral("取込データがありません。")
                                          : QStringLiteral("明細が選ばれていません。"),
                         windowTitle(), MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
    return row < 0 || row >= grid->gridModel()->rowCount() ? -1 : row;
}

bool frm0101_DenList::detailIsSlips() const
{
    const GridModel *m = tdbList2->gridModel();
    return m->columnCount() > DetailNumber && m->column(DetailNumber).caption == kSlipNo;
}

QString frm0101_DenList::today() const
{
    return Clock::today().toString(QStringLiteral("yyMMdd"));
}

void frm0101_DenList::batchButton(int row, int column)
{
    if (column < 0)
        return;
    if (row < 0 || row >= tdbList1->gridModel()->rowCount()) {
        actionRow(tdbList1);
        return;
    }
    const QString caption = tdbList1->gridModel()->column(column).caption;
    if (caption == kSlipsOut)
        printAllSlips(row);
    else if (caption == kListsOut)
        printAllLists(row);
    else if (caption == kSlipCount)
        listSlips(row);
    else if (caption == kOrderCount)
        listOrders(row);
}

void frm0101_DenList::detailButton(int row, int column)
{
    if (row < 0 || row >= tdbList2->gridModel()->rowCount()) {
        actionRow(tdbList2);
        return;
    }
    if (detailIsSlips()) {
        if (column == DetailNumber)
            printOneSlip(row);
        else if (column == DetailOrder)
            correctQuantities(row);
    } else if (column == DetailNumber) {
        printOneList(row);
    }
}

void frm0101_DenList::listSlips(int row)
{
    LoadGrid(*tdbList2, slipListSql(tdbList1->gridModel()->text(row, kBatchNo)), RequireConnection());
    mode_ = Slips;
    SetFunctionKeys(Slips);
    tdbList2->setFocus();
}

void frm0101_DenList::listOrders(int row)
{
    LoadGrid(*tdbList2, orderListSql(tdbList1->gridModel()->text(row, kBatchNo)), RequireConnection());
    mode_ = Orders;
    SetFunctionKeys(Orders);
    tdbList2->setFocus();
}

void frm0101_DenList::printAllSlips(int row)
{
    GridModel *m = tdbList1->gridModel();
    const qint32 batch = m->text(row, kBatchNo).toInt();
    if (!printing_.allSlips)
        return;
    if (printing_.allSlips(batch, m->text(row, kSlipsOut), m->text(row, kSlipCount)) == PrintRun::Done)
        m->setText(row, m->columnOf(kSlipsOut), today());
}

void frm0101_DenList::printAllLists(int row)
{
    GridModel *m = tdbList1->gridModel();
    const qint32 batch = m->text(row, kBatchNo).toInt();
    if (!printing_.allAssortmentLists)
        return;
    if (printing_.allAssortmentLists(batch, m->text(row, kListsOut), m->text(row, kOrderCount)) == PrintRun::Done)
        m->setText(row, m->columnOf(kListsOut), today());
}

void frm0101_DenList::printOneSlip(int row)
{
    GridModel *m = tdbList2->gridModel();
    if (!printing_.oneSlip)
        return;
    const int r = printing_.oneSlip(m->text(row, DetailBatch).toInt(), m->text(row, DetailNumber));
    // The print window stamps the slip before it can be stopped, so a run
    // that started is always stamped.
    if (r == PrintRun::Declined)
        return;
    m->setText(row, m->columnOf(kIssued), today());
    m->setText(row, m->columnOf(kOpCheck), QStringLiteral("-1"));
}

void frm0101_DenList::printOneList(int row)
{
    GridModel *m = tdbList2->gridModel();
    if (printing_.oneAssortmentList)
        printing_.oneAssortmentList(m->text(row, DetailBatch).toInt(), m->text(row, DetailNumber));
}

void frm0101_DenList::previewBatch(int row, bool slips)
{
    if (row < 0 || row >= tdbList1->gridModel()->rowCount()) {
        actionRow(tdbList1);
        return;
    }
    const qint32 batch = tdbList1->gridModel()->text(row, kBatchNo).toInt();
    if (!printing_.preview || !printing_.preview(batch, QString(), slips))
        return;
    if (slips)
        printAllSlips(row);
    else
        printAllLists(row);
}

void frm0101_DenList::previewDetail(int row)
{
    if (row < 0 || row >= tdbList2->gridModel()->rowCount()) {
        actionRow(tdbList2);
        return;
    }
    GridModel *m = tdbList2->gridModel();
    const bool slips = detailIsSlips();
    if (!printing_.preview || !printing_.preview(m->text(row, DetailBatch).toInt(), m->text(row, DetailNumber), slips))
        return;
    if (slips)
        printOneSlip(row);
    else
        printOneList(row);
}

void frm0101_DenList::correctQuantities(int row)
{
    GridModel *m = tdbList2->gridModel();
    frm0102_DenSuuEdit edit(dialogs_, this);
    edit.set_DENNO(m->text(row, DetailNumber), m->text(row, DetailOrder), m->text(row, DetailStore), false);
    execReturningFocus(edit);
}

void frm0101_DenList::exportDelivery()
{
    clsCustomDOP exporter;
    const int found = exporter.setFile(AppFolder::file(QStringLiteral("SQL/NOUHIN.SQL")));
    if (found == 1) {
        dialogs_.message(QStringLiteral("納品カスタム書き出し用の設定ファイルがありません。"), applicationTitle(),
                         MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
        return;
    }
    if (found != 0)
        return;
    Database &db = RequireConnection();
    const qint32 r = exporter.eXport(db, dialogs_, QStringList(clsCustomDOP::ParameterCount, QStringLiteral(" ")));
    if (r == clsCustomDOP::Written) {
        db.execute(QStringLiteral("Update TBL_RD_H2 Set DEN_EXP_CHECK='0'"));
        // Every slip is now unmarked: show it in the list as well.
        GridModel *m = tdbList2->gridModel();
        const int c = m->columnOf(kOpCheck);
        if (c >= 0)
            for (int i = 0; i < m->rowCount(); ++i)
                m->setText(i, c, QStringLiteral("0"));
    } else if (r == clsCustomDOP::NoRows) {
        dialogs_.info(QStringLiteral("出力する明細が存在しません。"), applicationTitle());
    } else if (r == clsCustomDOP::NoFolder) {
        dialogs_.error(QStringLiteral("書き出し先の指定が不正です。"), applicationTitle());
    } else {
        dialogs_.error(exporter.failureText(r), applicationTitle());
    }
}
