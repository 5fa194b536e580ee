#pragma once
// "データベースを最適化しています。": shown when the main screen closes
// after a retention deletion. It backs up, closes the connection, compacts
// data.db and closes itself; the application then ends. When other programs
// hold the data folder it says so and leaves the compaction for the next
// close.

#include <QDialog>

class Dialogs;

class frm9900_DBCompact : public QDialog {
    Q_OBJECT
public:
    explicit frm9900_DBCompact(Dialogs &dialogs, QWidget *parent = nullptr);

    // The compaction; 0 done, else the error number (already shown).
    int run();

protected:
    void showEvent(QShowEvent *event) override;

private:
    Dialogs &dialogs_;
    bool started_ = false;
};
