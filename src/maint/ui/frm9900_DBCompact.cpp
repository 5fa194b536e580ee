#include "maint/ui/frm9900_DBCompact.h"

#include "store/Settings.h"
#include "maint/Backups.h"
#include "maint/Compaction.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

frm9900_DBCompact::frm9900_DBCompact(Dialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm9900_DBCompact"));
    setWindowTitle(QStringLiteral("最適化"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("データベースを最適化しています。"), this), 0, Qt::AlignCenter);
    resize(360, 100);
}

void frm9900_DBCompact::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    // Once drawn, so that the message is on the screen while the file is rewritten.
    QTimer::singleShot(0, this, [this] {
        run();
        accept();
    });
}

int frm9900_DBCompact::run()
{
    repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int rc = Compaction::compactAtClose(dialogs_, Backups::keepCount(Settings::readInt(SettingKey::BackupKeep)));
    QApplication::restoreOverrideCursor();
    return rc;
}
