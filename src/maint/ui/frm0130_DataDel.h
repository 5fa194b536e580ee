#pragma once
// "保存データ削除処理": the three lists of data past its retention period
// with the periods of Gyoum.ini (changed here for this screen only), and
// the delete of what stays ticked.

#include "maint/Retention.h"

#include <QDialog>
#include <QStringList>

class Dialogs;
class FunctionKeyBar;
class GridView;
class QLineEdit;
class QPushButton;

class frm0130_DataDel : public QDialog {
    Q_OBJECT
public:
    explicit frm0130_DataDel(Dialogs &dialogs, QWidget *parent = nullptr);

    // F1: checks the boxes and loads the three lists (the grids stay as they
    // were when a box is wrong).
    void search();
    // F5: deletes the ticked rows; the compaction request is set after a
    // run and after a declined question.
    void execute();
    // Acts as key F(index + 1).
    void functionKey(int index);

    QLineEdit *txtHaHK = nullptr;
    QLineEdit *txtSeHK = nullptr;
    QLineEdit *txtPBHK = nullptr;
    GridView *tdbListHa = nullptr;
    GridView *tdbListSe = nullptr;
    GridView *tdbListPB = nullptr;
    QPushButton *cmdKeisan = nullptr;
    QPushButton *cmdExec = nullptr;
    FunctionKeyBar *xlabFnc = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    Retention::Lists shownLists() const;

    Dialogs &dialogs_;
    bool loaded_ = false;
    // The boxes and the day of the lists shown.
    QStringList searchedPeriods_;
};
