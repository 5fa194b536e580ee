#include "ui/FocusReturn.h"

#include <QApplication>
#include <QDialog>

QWidget *FocusReturn::currentWindow(QWidget *fallback)
{
    if (QWidget *w = QApplication::activeModalWidget())
        return w;
    if (QWidget *w = QApplication::activeWindow())
        return w;
    return fallback ? fallback->window() : nullptr;
}

FocusReturn::FocusReturn(QWidget *opener)
    : window_(opener ? opener->window() : currentWindow())
{
    if (window_)
        focus_ = window_->focusWidget();
}

FocusReturn::~FocusReturn()
{
    // A screen that closed itself meanwhile, or one hidden behind another
    // window, has nothing to take the keyboard back.
    if (!window_ || !window_->isVisible())
        return;
    if (const QWidget *modal = QApplication::activeModalWidget(); modal && modal != window_)
        return;
    if (focus_ && focus_->window() == window_ && focus_->isVisible() && focus_->isEnabled())
        focus_->setFocus(Qt::ActiveWindowFocusReason);
    window_->raise();
    window_->activateWindow();
}

int execReturningFocus(QDialog &dialog)
{
    const FocusReturn back(dialog.parentWidget());
    return dialog.exec();
}
