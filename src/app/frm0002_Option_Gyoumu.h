#pragma once
// The business settings screen: partner code, closing day, tax rate and
// the retention periods in Gyoum.ini.

#include <QDialog>

class QLineEdit;
class Dialogs;

class frm0002_Option_Gyoumu : public QDialog {
    Q_OBJECT
public:
    frm0002_Option_Gyoumu(Dialogs &dialogs, QWidget *parent = nullptr);

    // Checks, asks, writes and closes; false when it stayed open.
    Q_INVOKABLE bool save();
    // Asks, then puts 3, 6 and 2 months into the retention boxes (saved with the screen).
    void resetRetention();

    QLineEdit *xtxtTriCD = nullptr;
    QLineEdit *xtxtShime_Bi = nullptr;
    QLineEdit *xtxtZei = nullptr;
    QLineEdit *txtHaHK = nullptr;
    QLineEdit *txtSeHK = nullptr;
    QLineEdit *txtPBHK = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Dialogs &dialogs_;
};
