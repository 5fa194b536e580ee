#pragma once
// "締日入力": the period of the next billing run. Confirming it runs the
// closing calculation (billing/ClosingPeriod.h) and closes the dialog; a
// refused date puts the focus back on its box.

#include "billing/BillingSettings.h"

#include <QDialog>

class Dialogs;
class QLineEdit;
class QPushButton;

class frm0121_Simebi_In : public QDialog {
    Q_OBJECT
public:
    frm0121_Simebi_In(Dialogs &dialogs, BillingSettings settings, QWidget *parent = nullptr);

    QLineEdit *txtShime_BI_J = nullptr;   // from
    QLineEdit *txtShime_BI_I = nullptr;   // to, the closing date
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCan = nullptr;

    // OK (button or Enter): true when the calculation ran and the dialog closed.
    bool confirm();

private:
    Dialogs &dialogs_;
    BillingSettings settings_;
};
