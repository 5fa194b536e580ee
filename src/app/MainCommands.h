#pragma once
// The named commands of the main screen ("S" entries of the menu): a
// dispatcher onto the operations ("SeikyuKaijyo" cancelClosing in billing,
// "DALL_DELL" deleteAllData in maint) and the launchers the screen sets.

#include <QString>

#include <functional>

class Database;
class Dialogs;

// What the commands need of the main screen.
class MainCommandsHost {
public:
    virtual ~MainCommandsHost() = default;
    virtual void setBusy(bool busy) = 0;
    virtual void setMainEnabled(bool enabled) = 0;
    // TOBARE_END answered OK: the main screen unloads.
    virtual void closeMain() = 0;
    // Opens an address or document with the desktop's opener.
    virtual void openExternal(const QString &target) = 0;
};

// The three imports, each taking the chosen path and returning 0 done,
// 1 stopped or declined, or the number of the error that ended it.
struct ImportLaunchers {
    std::function<int(const QString &)> order;
    std::function<int(const QString &)> pbMaster;
    std::function<int(const QString &)> destinations;
};

// A command that writes a workbook, returning 0, 1 or an error number.
using WorkbookCommand = std::function<int()>;

class MainCommands {
public:
    MainCommands(Dialogs &dialogs, MainCommandsHost &host) : dialogs_(dialogs), host_(host) {}

    void setImports(ImportLaunchers imports) { imports_ = std::move(imports); }
    void setChangeHistory(WorkbookCommand c) { changeHistory_ = std::move(c); }
    void setConsignmentBilling(WorkbookCommand c) { consignmentBilling_ = std::move(c); }

    // Runs the command `name` (compared exactly). Database errors pass to
    // the caller, which reports them.
    void loadProcedure(const QString &name);

    // Imports the new order files of the read folder one after the other,
    // each with its own confirmation, puts each imported file away and
    // tells what became of every file.
    void pickUpNewOrders();

    // "TOBARE_END" question; true on OK.
    static bool confirmEnd(Dialogs &dialogs);

private:
    void runImport(const std::function<int(const QString &)> &import, const QString &filter);
    void siteOpen();
    void notYet(const QString &what);

    Dialogs &dialogs_;
    MainCommandsHost &host_;
    ImportLaunchers imports_;
    WorkbookCommand changeHistory_;
    WorkbookCommand consignmentBilling_;
};
