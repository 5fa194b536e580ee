#pragma once
// "データ一覧": the import batches still waiting for their assortment lists
// or their slips, chosen from the View menu. It only shows.

#include <QDialog>

class Dialogs;
class GridView;
class QAction;

class frm0100_List : public QDialog {
    Q_OBJECT
public:
    explicit frm0100_List(Dialogs &dialogs, QWidget *parent = nullptr);

    // View menu items by index (3 and 4 are separators; 0, 5 and 6 have no action).
    QAction *viewItem(int index) const { return botViewS[index]; }

    GridView *tdbList = nullptr;

private:
    void showPending(int item);

    Dialogs &dialogs_;
    QAction *botViewS[7] = {};
};
