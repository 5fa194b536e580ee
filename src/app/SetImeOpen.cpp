#include "app/SetImeOpen.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QWidget>

void SetImeOpen(QWidget *widget, bool open)
{
    if (!widget)
        return;
    widget->setAttribute(Qt::WA_InputMethodEnabled, open);
    if (widget->hasFocus())
        if (QInputMethod *im = QGuiApplication::inputMethod())
            im->update(Qt::ImEnabled);
}
