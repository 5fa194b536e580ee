#pragma once
// "データ一覧": the import batches still waiting for their assortment lists
// or their slips, chosen from the View menu (the first list when it opens).
// It only shows, and says which list it shows.

#include <QDialog>

class Dialogs;
class GridView;
class QAction;
class QLabel;

class frm0100_List : public QDialog {
    Q_OBJECT
public:
    explicit frm0100_List(Dialogs &dialogs, QWidget *parent = nullptr);

    // View menu items by index (3 and 4 are separators; 0, 5 and 6 have no action).
    QAction *viewItem(int index) const { return botViewS[index]; }

    GridView *tdbList = nullptr;
    // Which list the grid shows, and how many batches it holds.
    QLabel *lblList = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // `chosen`: from the menu, where an empty list also gets its message box.
    void showPending(int item, bool chosen);

    Dialogs &dialogs_;
    bool opened_ = false;
    QAction *botViewS[7] = {};
};
