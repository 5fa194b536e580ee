#pragma once
// "請求選択処理", the billing desk: the slips of the last closing
// calculation (this billing's and the others), the history of billing runs
// and a run's slips. Ticks are written to the database the moment they
// change. Mode 1 (the slip lists) bills (F1) and checks the amounts (F4);
// mode 2 (the history) writes a run's billing file again (F1), runs its
// custom export (F2) or shows what a billing file holds (F3) before it is
// sent.

#include "billing/BillingSettings.h"

#include <QDialog>

class Dialogs;
class FunctionKeyBar;
class GridView;
class QLabel;

class frm0120_SeikyuList : public QDialog {
    Q_OBJECT
public:
    frm0120_SeikyuList(Dialogs &dialogs, BillingSettings settings, QWidget *parent = nullptr);

    enum Mode { SlipMode = 1, HistoryMode = 2 };
    Mode mode() const { return mode_; }
    void SetFunctionKeys(Mode mode);
    // F1 to F12 (index 0 to 11) in the current mode.
    void functionKey(int index);

    // Fills the grids; done once, on the first showing.
    void loadLists();
    // The run's slips into tdbList3 (the history's button).
    void showRun(int row);

    GridView *tdbList1 = nullptr;   // this billing, within the period
    GridView *tdbList4 = nullptr;   // this billing, outside the period
    GridView *tdbList2 = nullptr;   // billing runs
    GridView *tdbList3 = nullptr;   // slips of the chosen run
    QLabel *labSimeMi = nullptr;
    FunctionKeyBar *xlabFnc = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    template <class F>
    void guarded(F &&action);
    void tickChanged(GridView *grid, int row, int column);
    void bill(bool checkOnly);
    void reoutput();
    void customExport();
    void viewFile();
    QString currentRun() const;

    Dialogs &dialogs_;
    BillingSettings settings_;
    bool loaded_ = false;
    bool periodOpen_ = false;
    Mode mode_ = SlipMode;
};
