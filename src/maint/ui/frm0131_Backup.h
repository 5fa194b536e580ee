#pragma once
// "バックアップ": the backups of the database, newest first. F1 makes one
// now, F5 puts the database back to the chosen one (after backing up the
// current state, so that a restore can be undone).

#include <QDialog>

class Dialogs;
class FunctionKeyBar;
class GridView;

class frm0131_Backup : public QDialog {
    Q_OBJECT
public:
    enum Start { MakeBackup, Restore };
    frm0131_Backup(Dialogs &dialogs, Start start, QWidget *parent = nullptr);

    void refresh();
    void makeBackup();
    void restoreChosen();
    void functionKey(int index);

    GridView *tdbList = nullptr;
    FunctionKeyBar *xlabFnc = nullptr;

private:
    Dialogs &dialogs_;
};
