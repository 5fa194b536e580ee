#pragma once
// The data-driven menu: one page of the menu table at a time in the host's
// nine entry labels, and the entry chosen by click, F1 to F9 or number.

#include <QString>

#include <array>

class Database;

// What the menu needs of the screen that hosts it.
class MenuHost {
public:
    virtual ~MenuHost() = default;
    virtual void setMenuTitle(const QString &title) = 0;                      // framMenu caption
    virtual void setMenuEntry(int index, const QString &name, const QString &comment) = 0;  // xlabMenu/labMenu(index)
    virtual void openScreen(const QString &name) = 0;                         // "F": modal, by name
    virtual void loadProcedure(const QString &name) = 0;                      // "S": a named command
    virtual void shellOpen(const QString &target) = 0;                        // "SHELL_APP"/"SHELL_FULL"
};

class clsMakeMenu {
public:
    static constexpr int EntryCount = 9;

    void setMenuName(const QString &table) { menuName_ = table; }
    void setHost(MenuHost *host) { host_ = host; }

    // Shows page `page`. A null connection keeps the one given before. A row
    // whose Menu_No_IDX lies outside 0 to 9 stops the filling there with a
    // DbError; the rows before it stay shown.
    void showMenu(const QString &page, Database *connection);
    // Performs the entry whose number `command` holds (1 to 9); anything else does nothing.
    void MenuSelect(const QString &command);
    // F1 to F9 (key codes 112 to 120) select entries 1 to 9.
    void FunctionKey(int keyCode, int shift = 0);
    // A click on entry label `index` (0 to 8).
    void cmdClick(int index);

    // The entry number a command text holds (1 to 9), 0 for any other text.
    static int entryNumber(const QString &command);
    // Whether entry n of the current page does something when chosen.
    bool hasEntry(int n) const;

    QString kind(int position) const { return entries_[position].kind; }
    QString target(int position) const { return entries_[position].target; }

private:
    struct Entry {
        QString kind;
        QString target;
    };
    QString menuName_ = QStringLiteral("MST_MENU");
    MenuHost *host_ = nullptr;
    Database *connection_ = nullptr;
    std::array<Entry, 10> entries_;
};
