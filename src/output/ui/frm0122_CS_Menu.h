#pragma once
// The export column-set editor "カスタム出力項目設定": choose a named set,
// pick columns from the catalogue of each offered table (one tab per
// table), order them with ↑ and ↓, delete them with Delete, and save the
// set. Leaving a changed set (choosing another one) offers to save it
// first; closing the screen offers to save, to discard or to stay. "新規",
// "名前変更" and "削除" create, rename and remove sets.

#include <QDialog>
#include <QList>
#include <QStringList>

struct ColumnSetMember;
class Dialogs;
class GridView;
class QComboBox;
class QPushButton;
class QTabBar;

class frm0122_CS_Menu : public QDialog {
    Q_OBJECT
public:
    explicit frm0122_CS_Menu(Dialogs &dialogs, QWidget *parent = nullptr);

    // The set list, the tabs and the first tab's catalogue, read again.
    void loadForm();
    // Choosing the set at `index` of the set list (0: the empty item).
    void chooseSet(int index);
    // Loads the catalogue of tab `index` unless it is the one shown.
    void chooseTab(int index);
    // "→": the catalogue's current column appended to the set.
    void addColumn();
    // "↑" and "↓": the current member exchanged with its neighbour.
    void moveUp();
    void moveDown();
    // Delete in the set grid: the current member removed.
    void deleteMember();
    // Asks to save the set shown when it was changed; true when it was
    // saved or nothing needed saving.
    bool offerSave();
    // "新規": asks a name, creates the set and shows it.
    void newSet();
    // "名前変更": asks the shown set's new name.
    void renameSet();
    // "削除": removes the shown set after a question (Cancel preselected).
    void removeSet();

    bool isEdited() const { return edited_; }
    // The set the set grid shows (its SET_DB_NAME; empty for none).
    QString shownSet() const { return shownSet_; }
    QStringList setKeys() const { return setKeys_; }

    QComboBox *dlpSetName = nullptr;
    QTabBar *tstColList = nullptr;
    GridView *tdbListCol = nullptr;
    GridView *tdbSetList = nullptr;
    QPushButton *cmdRight = nullptr;
    QPushButton *cmdUP = nullptr;
    QPushButton *codDown = nullptr;
    QPushButton *cmdNew = nullptr;
    QPushButton *cmdRename = nullptr;
    QPushButton *cmdRemove = nullptr;

public slots:
    // Every way out (Ctrl+W, Esc, the close box) offers to save first.
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void move(int step);
    void showError(const QString &what, int number, const QString &description);
    // Shows set `key` of the list read again; the empty item when it is gone.
    void reloadAndShow(const QString &key);
    QList<ColumnSetMember> shownMembers() const;
    void enableSetButtons(bool setShown);

    Dialogs &dialogs_;
    QStringList setKeys_;    // parallel to the set list; [0] is the empty item
    QString shownSet_;
    int loadedTab_ = -1;
    bool edited_ = false;
    bool loading_ = false;
};
