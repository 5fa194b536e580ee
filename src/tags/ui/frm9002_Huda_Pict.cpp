#include "tags/ui/frm9002_Huda_Pict.h"

#include "tags/TagIssue.h"

#include <QLabel>
#include <QPixmap>
#include <QShortcut>
#include <QVBoxLayout>

frm9002_Huda_Pict::frm9002_Huda_Pict(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm9002_Huda_Pict"));
    setWindowTitle(QStringLiteral("値札画像"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    imgPict = new QLabel(this);
    imgPict->setObjectName(QStringLiteral("imgPict"));
    layout->addWidget(imgPict);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
}

void frm9002_Huda_Pict::showEvent(QShowEvent *event)
{
    const QString path = TagIssue::picturePath(name_);
    const QPixmap pixmap = path.isEmpty() ? QPixmap() : QPixmap(path);
    imgPict->setPixmap(pixmap);
    if (!pixmap.isNull())
        setFixedSize(pixmap.size());
    move(0, 0);
    QDialog::showEvent(event);
}
