#include "ui/FunctionKeyBar.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

FunctionKeyBar::FunctionKeyBar(QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 4, 0, 0);
    row->setSpacing(3);
    for (int i = 0; i < 12; ++i) {
        auto *l = new QLabel(this);
        l->setObjectName(QStringLiteral("xlabFnc_%1").arg(i));
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(64);
        l->setMinimumHeight(34);
        l->setWordWrap(true);
        l->setFrameShape(QFrame::StyledPanel);
        l->installEventFilter(this);
        row->addWidget(l, 1);
        // A gap after every fourth key, as on the keyboard.
        if (i == 3 || i == 7)
            row->addSpacing(10);
        labels_[i] = l;
    }
    clearCaptions();
}

void FunctionKeyBar::setCaption(int index, const QString &caption)
{
    QLabel *l = labels_.at(index);
    l->setProperty("caption", caption);
    l->setText(QStringLiteral("<small>F%1</small><br>%2").arg(index + 1).arg(caption.toHtmlEscaped()));
    l->setEnabled(!caption.isEmpty());
    l->setCursor(caption.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

QString FunctionKeyBar::caption(int index) const
{
    return labels_.at(index)->property("caption").toString();
}

void FunctionKeyBar::clearCaptions()
{
    for (int i = 0; i < 12; ++i)
        setCaption(i, QString());
}

void FunctionKeyBar::listenTo(QWidget *window)
{
    // Keys go to the focused control first, so the bar watches the whole
    // application and takes the keys meant for its own window.
    window_ = window;
    qApp->installEventFilter(this);
}

bool FunctionKeyBar::handleKey(QKeyEvent *event)
{
    const int key = event->key();
    if (key < Qt::Key_F1 || key > Qt::Key_F12)
        return false;
    const int index = key - Qt::Key_F1;
    if (caption(index).isEmpty())
        return false;
    emit pressed(index);
    return true;
}

bool FunctionKeyBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < 12; ++i) {
            if (watched == labels_[i]) {
                if (!caption(i).isEmpty() && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                    emit pressed(i);
                return true;
            }
        }
    }
    // The screen sees function keys before its controls.
    auto *target = qobject_cast<QWidget *>(watched);
    const bool mine = window_ && target && (target == window_ || window_->isAncestorOf(target))
        && target->window() == window_->window();
    if (mine && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() >= Qt::Key_F1 && ke->key() <= Qt::Key_F12) {
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return false;
            }
            handleKey(ke);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
