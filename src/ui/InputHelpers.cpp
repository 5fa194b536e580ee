#include "ui/InputHelpers.h"

#include "store/NumericText.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLineEdit>
#include <QTimer>

void SetImeOpen(QWidget *widget, bool open)
{
    if (!widget)
        return;
    if (!open && widget->hasFocus())
        QGuiApplication::inputMethod()->commit();   // text being composed is kept, not lost
    widget->setAttribute(Qt::WA_InputMethodEnabled, open);
    if (widget->hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

// ---------------------------------------------------------------- text boxes

TextBoxDecorator::TextBoxDecorator(QLineEdit *box) : QObject(box), box_(box)
{
    box->installEventFilter(this);
}

TextBoxDecorator *TextBoxDecorator::attach(QLineEdit *box)
{
    box->clear();
    return new TextBoxDecorator(box);
}

bool TextBoxDecorator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == box_ && event->type() == QEvent::FocusIn) {
        // A mouse click that gives the focus places the cursor after the
        // focus event, so the selection is made once that has happened.
        QTimer::singleShot(0, box_, [box = box_] {
            if (box->hasFocus())
                box->selectAll();
        });
        box_->selectAll();
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------- numbers

NumberInputValidator::NumberInputValidator(QObject *parent) : QValidator(parent) {}

NumberInputValidator::NumberInputValidator(const NumberInputOptions &options, QObject *parent)
    : QValidator(parent), options_(options)
{
}

QValidator::State NumberInputValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos);
    input = halfWidthAscii(input);
    if (input.isEmpty())
        return Acceptable;
    qsizetype i = 0;
    if (input.at(0) == QLatin1Char('-')) {
        if (!options_.allowNegative)
            return Invalid;
        ++i;
    }
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; i < input.size(); ++i) {
        const QChar c = input.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ++digits;
            if (point && ++decimals > options_.maxDecimals && options_.maxDecimals >= 0)
                return Invalid;
        } else if (c == QLatin1Char('.') && options_.allowDecimals && !point) {
            point = true;
        } else {
            return Invalid;
        }
    }
    if (options_.maxDigits > 0 && digits > options_.maxDigits)
        return Invalid;
    if (digits == 0)
        return Intermediate;   // "-" or "." on the way to a number
    return Acceptable;
}

void setNumericInput(QLineEdit *box, const NumberInputOptions &options)
{
    box->setValidator(new NumberInputValidator(options, box));
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    SetImeOpen(box, false);
    if (!box->findChild<TextBoxDecorator *>(QString(), Qt::FindDirectChildrenOnly)) {
        const QString keep = box->text();
        TextBoxDecorator::attach(box);
        box->setText(keep);
    }
}

// ---------------------------------------------------------------- busy pointer

BusyCursor::BusyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QGuiApplication::restoreOverrideCursor();
}
