#pragma once
// The main screen: the data-driven menu, the command box and the named
// commands. It only dispatches; every action is a screen or an operation.

#include "app/MainCommands.h"
#include "app/clsMakeMenu.h"
#include "import/OrderPickUp.h"

#include <QMainWindow>

#include <array>

class QFileSystemWatcher;
class QGroupBox;
class QPushButton;
class QTimer;
class QLabel;
class QLineEdit;
class Dialogs;
class DesktopOpener;

class frm0000_main : public QMainWindow, public MenuHost, public MainCommandsHost {
    Q_OBJECT
public:
    explicit frm0000_main(Dialogs &dialogs, QWidget *parent = nullptr);

    // Opens the database, attaches the shared file and shows page "0".
    void load();

    MainCommands &commands() { return commands_; }
    clsMakeMenu &menu() { return menu_; }

    // MenuHost
    void setMenuTitle(const QString &title) override;
    void setMenuEntry(int index, const QString &name, const QString &comment) override;
    void openScreen(const QString &name) override;
    void loadProcedure(const QString &name) override;
    void shellOpen(const QString &target) override;

    // MainCommandsHost
    void setBusy(bool busy) override;
    void setMainEnabled(bool enabled) override;
    void closeMain() override;
    void openExternal(const QString &target) override;

    QString entryText(int index) const;
    QString titleText() const;

    // Looks at the read folder again: "新しい受信データがあります（N 件）"
    // and its button show while it holds order files never imported.
    void refreshNewOrders();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Runs an action started by the operator; an error nothing else handled
    // is reported here with its number and description, and the application
    // goes on.
    template <class F>
    void guarded(F &&action);
    void commandEntered();

    Dialogs &dialogs_;
    clsMakeMenu menu_;
    MainCommands commands_;
    QGroupBox *framMenu_ = nullptr;
    std::array<QLabel *, 9> xlabMenu_{};
    std::array<QLabel *, 9> labMenu_{};
    QLineEdit *txtCmd_ = nullptr;
    QWidget *newOrders_ = nullptr;
    QLabel *labNewOrders_ = nullptr;
    QPushButton *cmdNewOrders_ = nullptr;
    QFileSystemWatcher *readFolderWatch_ = nullptr;
    QTimer *readFolderSettle_ = nullptr;
    NewOrderFiles newOrderFiles_;
    DesktopOpener *opener_ = nullptr;
    bool closing_ = false;
};
