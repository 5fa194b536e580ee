#pragma once
// Gives the keyboard back to the window that opened a box or a screen.
//
// Nobody else does it reliably: on an X server without a window manager
// the focus falls to the root window when a modal window closes, and the
// next function key goes nowhere until a click; under a window manager the
// opener sometimes stays inactive as well. So whatever opens a modal
// window notes the opener and its focused control first and, once the
// window has closed, activates the opener and puts the focus back itself.

#include <QPointer>
#include <QWidget>

class QDialog;

class FocusReturn {
public:
    // `opener` is any widget of the opening window; without one, the window
    // that has the keyboard now (the topmost modal one first).
    explicit FocusReturn(QWidget *opener = nullptr);
    ~FocusReturn();
    FocusReturn(const FocusReturn &) = delete;
    FocusReturn &operator=(const FocusReturn &) = delete;

    QWidget *window() const { return window_; }

    // The window a box opened now belongs to: the topmost modal window, else
    // the active one, else `fallback`.
    static QWidget *currentWindow(QWidget *fallback = nullptr);

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

// Shows `dialog` modally and gives the keyboard back to the window that had
// it before; the dialog's result.
int execReturningFocus(QDialog &dialog);
