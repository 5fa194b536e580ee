#pragma once
// The application settings screen: folders, billing file name, web EDI
// address, printers and their print offsets in Conf.ini, and a test print
// per printer.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
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
    // Print offsets in millimetres (right and down; negative left and up).
    QDoubleSpinBox *txtOffX_Den = nullptr;
    QDoubleSpinBox *txtOffY_Den = nullptr;
    QDoubleSpinBox *txtOffX_Shina = nullptr;
    QDoubleSpinBox *txtOffY_Shina = nullptr;
    QCheckBox *chkPlainPaper = nullptr;

    // One page of sample values with the frame drawn, on the printer chosen
    // and with the offsets shown (saved or not), so that the operator can
    // try an offset before saving it. A PDF's place is told.
    Q_INVOKABLE void testPrintSlip();
    Q_INVOKABLE void testPrintList();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void chooseFolder(QLineEdit *box, const QString &caption);
    void testPrint(const QString &form, QComboBox *printer, QDoubleSpinBox *x, QDoubleSpinBox *y);
    Dialogs &dialogs_;
};
