#pragma once
// The application settings screen: folders, billing file name, web EDI
// address and printers in Conf.ini.

#include <QDialog>

class QComboBox;
class QLineEdit;
class Dialogs;

class frm0001_Option : public QDialog {
    Q_OBJECT
public:
    frm0001_Option(Dialogs &dialogs, QWidget *parent = nullptr);

    // The printers offered: installed printers (without "Rendering
    // Subsystem") and the PDF file target.
    static QStringList printerChoices();

    // Asks, writes every key and closes; false when the operator cancelled
    // or a key could not be written (the screen stays open).
    Q_INVOKABLE bool save();

    QLineEdit *txtRd_Path = nullptr;
    QLineEdit *txtWr_Path = nullptr;
    QLineEdit *txtWr_Name = nullptr;
    QLineEdit *txtEDIURL = nullptr;
    QComboBox *xdrpPr_Den = nullptr;
    QComboBox *xdrpPr_Shina = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void chooseFolder(QLineEdit *box, const QString &caption);
    Dialogs &dialogs_;
};
