#pragma once
// The import window: shows which import runs and how far it is, and lets
// the operator stop it through the close box or its "中止" button. After an
// order import it says what was imported. It lives for one import; the
// DRead_ operations show it, run the import and hide it again.

#include "import/ImportProgress.h"

#include <QDialog>

#include <functional>

class Database;
class Dialogs;
class QLabel;
class QProgressBar;
class QPushButton;

class frm9001_splImport : public QDialog, public ImportProgress {
    Q_OBJECT
public:
    explicit frm9001_splImport(Dialogs &dialogs, QWidget *parent = nullptr);

    // Result codes of the order and PB imports: 0 done, 1 nothing done,
    // otherwise the error number (the error has been shown).
    int DRead_Order(const QString &path);
    int DRead_PBMST(const QString &path);
    // 0 done, 1 stopped; a failure is thrown as DbError for the caller.
    int DRead_ADDMST(const QString &path);

    // ImportProgress
    void setRange(qint64 minimum, qint64 maximum) override;
    void setValue(qint64 value) override;
    void setLabel(const QString &text) override;
    void processEvents() override;
    bool aborted() const override { return abort_; }

    // Esc asks like the close box while an import runs.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The connection the imports run on; opened here when the main screen
    // has none. Nothing (after the error box) when it cannot be opened.
    Database *connection(int &error);
    void begin();
    void end();
    // Shows the window for the import, runs it and hides the window again.
    template <class Import>
    int runImport(const QString &path, const std::function<void(const Import &)> &done);
    bool askStop();

    Dialogs &dialogs_;
    QProgressBar *pgb1 = nullptr;
    QLabel *Label1 = nullptr;
    QProgressBar *Animation1 = nullptr;
    QPushButton *cmdStop = nullptr;
    bool abort_ = false;
    bool running_ = false;
    // QProgressBar counts in int; a longer range is shown scaled down.
    qint64 minimum_ = 0;
    qint64 scale_ = 1;
};
