#pragma once
// Small helpers for the entry boxes of the settings and entry screens: the
// input method switch, select-all on focus, and boxes that take only a
// number. The checks themselves (IsNumericOrEmpty, CheckDateInput, ...) are
// in store/InputChecks.h.

#include <QObject>
#include <QValidator>

class QLineEdit;
class QWidget;

// Switches the input method of `widget` on or off. With it off, keys reach
// the widget as plain half-width characters; on a system without an input
// method this changes nothing visible.
void SetImeOpen(QWidget *widget, bool open);

// The text-box decorator: attach() empties the box and from then on selects
// its whole text whenever it gets the focus, by keyboard or by mouse, so
// that typing replaces the value. It belongs to the box and goes with it.
class TextBoxDecorator : public QObject {
    Q_OBJECT
public:
    static TextBoxDecorator *attach(QLineEdit *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TextBoxDecorator(QLineEdit *box);
    QLineEdit *box_;
};

struct NumberInputOptions {
    bool allowNegative = false;
    bool allowDecimals = true;
    int maxDigits = 0;   // digits before and after the point together; 0: no limit
    int maxDecimals = -1;   // digits after the point; -1: no limit
};

// Accepts while typing only what can become a number of the options' kind.
// Full-width digits, typed while an input method was on, are turned into
// half-width ones. Empty text is acceptable: whether a box may stay empty
// is the screen's check.
class NumberInputValidator : public QValidator {
    Q_OBJECT
public:
    explicit NumberInputValidator(QObject *parent = nullptr);
    NumberInputValidator(const NumberInputOptions &options, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;

private:
    NumberInputOptions options_;
};

// Makes `box` a number box: the validator above, right-aligned, input
// method off, and its text selected on focus.
void setNumericInput(QLineEdit *box, const NumberInputOptions &options = NumberInputOptions());

// The hourglass for as long as the object lives (a list being loaded, a
// run being prepared).
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
