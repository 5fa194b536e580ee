#include "maint/ui/frm0130_DataDel.h"

#include "store/Settings.h"
#include "ui/WindowSize.h"
#include "ui/FunctionKeyBar.h"
#include "ui/GridView.h"
#include "ui/InputHelpers.h"
#include "maint/Backups.h"
#include "store/AppState.h"
#include "store/Clock.h"
#include "store/Connection.h"
#include "store/Literals.h"
#include "store/Dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

QLineEdit *periodRow(QGridLayout *grid, int row, const QString &before, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setMaximumWidth(50);
    box->setAlignment(Qt::AlignRight);
    grid->addWidget(new QLabel(before, parent), row, 0);
    grid->addWidget(box, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("ヶ月保存"), parent), row, 2);
    return box;
}

GridView *listBox(QVBoxLayout *layout, const QString &title, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *l = new QVBoxLayout(group);
    auto *grid = new GridView(group);
    l->addWidget(grid);
    layout->addWidget(group, 1);
    return grid;
}

// Shows a wait cursor while it lives.
struct Busy {
    Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Busy() { QApplication::restoreOverrideCursor(); }
};

} // namespace

frm0130_DataDel::frm0130_DataDel(Dialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm0130_DataDel"));
    setWindowTitle(QStringLiteral("保存データ削除処理 処理基準日付 <")
                   + Clock::today().toString(QStringLiteral("yyyy/MM/dd")) + QLatin1Char('>'));
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *periods = new QGridLayout;
    txtHaHK = periodRow(periods, 0, QStringLiteral("発注データ読込み後"), this);
    txtSeHK = periodRow(periods, 1, QStringLiteral("請求データ、請求日後"), this);
    txtPBHK = periodRow(periods, 2, QStringLiteral("PBマスタデータ、販売終了日後"), this);
    for (QLineEdit *b : {txtHaHK, txtSeHK, txtPBHK})
        TextBoxDecorator::attach(b);
    txtHaHK->setText(Settings::readForScreen(SettingKey::HaDataSave));
    txtSeHK->setText(Settings::readForScreen(SettingKey::SeDataSave));
    txtPBHK->setText(Settings::readForScreen(SettingKey::PbDataSave));
    top->addLayout(periods);
    auto *buttons = new QVBoxLayout;
    cmdKeisan = new QPushButton(QStringLiteral("上記条件で検索"), this);
    cmdExec = new QPushButton(QStringLiteral("チェック内容を削除"), this);
    buttons->addWidget(cmdKeisan);
    buttons->addWidget(cmdExec);
    top->addLayout(buttons);
    top->addStretch(1);
    layout->addLayout(top);
    tdbListHa = listBox(layout, QStringLiteral("発注データ"), this);
    tdbListSe = listBox(layout, QStringLiteral("請求データ"), this);
    tdbListPB = listBox(layout, QStringLiteral("PBマスタデータ"), this);
    xlabFnc = new FunctionKeyBar(this);
    xlabFnc->setCaption(0, QStringLiteral("検索"));
    xlabFnc->setCaption(4, QStringLiteral("実行"));
    xlabFnc->setCaption(8, QStringLiteral("戻る"));
    xlabFnc->listenTo(this);
    layout->addWidget(xlabFnc);
    connect(xlabFnc, &FunctionKeyBar::pressed, this, &frm0130_DataDel::functionKey);
    connect(cmdKeisan, &QPushButton::clicked, this, &frm0130_DataDel::search);
    connect(cmdExec, &QPushButton::clicked, this, &frm0130_DataDel::execute);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    openSized(this, QSize(980, 740));
}

void frm0130_DataDel::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        search();
    }
}

void frm0130_DataDel::functionKey(int index)
{
    switch (index) {
    case 0:
        search();
        break;
    case 4:
        execute();
        break;
    case 8:
        reject();
        break;
    default:
        break;
    }
}

void frm0130_DataDel::search()
{
    std::optional<Retention::Lists> lists;
    const QStringList periods{txtHaHK->text().trimmed(), txtSeHK->text().trimmed(), txtPBHK->text().trimmed(),
                              Clock::today().toString(Qt::ISODate)};
    try {
        Busy busy;
        lists = Retention::search(RequireConnection(), dialogs_,
                                  {txtHaHK->text(), txtSeHK->text(), txtPBHK->text()}, Clock::today());
    } catch (const DbError &e) {
        dialogs_.error(unhandledErrorText(e.number(), e.description()), applicationTitle());
        return;
    }
    if (!lists)
        return;
    // The same periods list the same rows again (less what was deleted):
    // what the operator unticked stays unticked.
    if (periods == searchedPeriods_)
        Retention::keepTicks(*lists, shownLists());
    searchedPeriods_ = periods;
    tdbListHa->gridModel()->setGridData(std::move(lists->orders));
    tdbListSe->gridModel()->setGridData(std::move(lists->billing));
    tdbListPB->gridModel()->setGridData(std::move(lists->pb));
    for (GridView *g : {tdbListHa, tdbListSe, tdbListPB})
        if (g->gridModel()->rowCount() > 0)
            g->setCurrentRow(0);
}

Retention::Lists frm0130_DataDel::shownLists() const
{
    return {tdbListHa->gridModel()->gridData(), tdbListSe->gridModel()->gridData(),
            tdbListPB->gridModel()->gridData()};
}

void frm0130_DataDel::execute()
{
    // A cell still being edited gives its value to the grid when its
    // editor loses the focus, so the ticks read below are the ones shown.
    if (QWidget *editor = QApplication::focusWidget())
        editor->clearFocus();
    Retention::DeleteResult r;
    {
        Busy busy;
        r = Retention::deleteTicked(RequireConnection(), dialogs_, shownLists(),
                                    Backups::keepCount(Settings::readInt(SettingKey::BackupKeep)));
    }
    if (r.compactionRequested)
        AppState::CompactionRequest = 1;
    search();
}
