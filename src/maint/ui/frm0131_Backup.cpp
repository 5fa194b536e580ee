#include "maint/ui/frm0131_Backup.h"

#include "store/Settings.h"
#include "ui/FunctionKeyBar.h"
#include "ui/GridView.h"
#include "maint/Backups.h"
#include "store/Connection.h"
#include "store/Literals.h"
#include "store/Dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

int keep()
{
    return Backups::keepCount(Settings::readInt(SettingKey::BackupKeep));
}

} // namespace

frm0131_Backup::frm0131_Backup(Dialogs &dialogs, Start start, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm0131_Backup"));
    setWindowTitle(start == MakeBackup ? QStringLiteral("バックアップ作成") : QStringLiteral("バックアップから復元"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("バックアップフォルダ: ") + Backups::folder(), this));
    tdbList = new GridView(this);
    layout->addWidget(tdbList, 1);
    xlabFnc = new FunctionKeyBar(this);
    xlabFnc->setCaption(0, QStringLiteral("作成"));
    xlabFnc->setCaption(4, QStringLiteral("復元"));
    xlabFnc->setCaption(8, QStringLiteral("戻る"));
    xlabFnc->listenTo(this);
    layout->addWidget(xlabFnc);
    connect(xlabFnc, &FunctionKeyBar::pressed, this, &frm0131_Backup::functionKey);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    resize(560, 380);
    refresh();
}

void frm0131_Backup::refresh()
{
    GridData data(QList<GridColumn>{describeGridColumn(QStringLiteral("名前s02000")),
                                    describeGridColumn(QStringLiteral("作成日時s02200")),
                                    describeGridColumn(QStringLiteral("理由s02400"))});
    for (const BackupEntry &e : Backups::list())
        data.appendRow({e.name, e.made.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), e.reason});
    tdbList->gridModel()->setGridData(std::move(data));
    if (tdbList->gridModel()->rowCount() > 0)
        tdbList->setCurrentRow(0);
}

void frm0131_Backup::functionKey(int index)
{
    if (index == 0)
        makeBackup();
    else if (index == 4)
        restoreChosen();
    else if (index == 8)
        reject();
}

void frm0131_Backup::makeBackup()
{
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const BackupEntry e = Backups::make(RequireConnection(), Backups::reasonOnDemand(), keep());
        QApplication::restoreOverrideCursor();
        dialogs_.info(QStringLiteral("バックアップ「%1」を作成しました。").arg(e.name), applicationTitle());
    } catch (const DbError &e) {
        QApplication::restoreOverrideCursor();
        dialogs_.error(QStringLiteral("バックアップを作成できませんでした。\n%1 %2").arg(e.number()).arg(e.description()),
                       applicationTitle());
    }
    refresh();
}

void frm0131_Backup::restoreChosen()
{
    const int row = tdbList->currentRow();
    if (row < 0) {
        dialogs_.error(QStringLiteral("復元するバックアップがありません。"), applicationTitle());
        return;
    }
    Backups::restore(dialogs_, tdbList->gridModel()->text(row, 0), keep());
    refresh();
}
