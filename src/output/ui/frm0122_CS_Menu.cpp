#include "output/ui/frm0122_CS_Menu.h"

#include "ui/GridView.h"
#include "ui/LoadGrid.h"
#include "output/ColumnSets.h"
#include "store/Connection.h"
#include "store/DbError.h"
#include "store/Dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

frm0122_CS_Menu::frm0122_CS_Menu(Dialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm0122_CS_Menu"));
    setWindowTitle(QStringLiteral("カスタム出力項目設定"));
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *head = new QHBoxLayout;
    head->addWidget(new QLabel(QStringLiteral("項目セット"), this));
    dlpSetName = new QComboBox(this);
    dlpSetName->setObjectName(QStringLiteral("dlpSetName"));
    dlpSetName->setMinimumWidth(240);
    head->addWidget(dlpSetName);
    auto headButton = [&](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        head->addWidget(b);
        return b;
    };
    cmdNew = headButton(QStringLiteral("新規"), "cmdNew");
    cmdRename = headButton(QStringLiteral("名前変更"), "cmdRename");
    cmdRemove = headButton(QStringLiteral("削除"), "cmdRemove");
    head->addStretch(1);
    layout->addLayout(head);

    auto *body = new QGridLayout;
    tstColList = new QTabBar(this);
    tstColList->setObjectName(QStringLiteral("tstColList"));
    tstColList->setExpanding(false);
    body->addWidget(tstColList, 0, 0);
    tdbListCol = new GridView(this);
    tdbListCol->setObjectName(QStringLiteral("tdbListCol"));
    body->addWidget(tdbListCol, 1, 0);

    auto *buttons = new QVBoxLayout;
    cmdUP = new QPushButton(QStringLiteral("↑"), this);
    cmdUP->setObjectName(QStringLiteral("cmdUP"));
    cmdRight = new QPushButton(QStringLiteral("→"), this);
    cmdRight->setObjectName(QStringLiteral("cmdRight"));
    codDown = new QPushButton(QStringLiteral("↓"), this);
    codDown->setObjectName(QStringLiteral("codDown"));
    buttons->addStretch(1);
    for (QPushButton *b : {cmdUP, cmdRight, codDown}) {
        b->setAutoDefault(false);
        b->setFixedWidth(48);
        b->setEnabled(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    body->addLayout(buttons, 1, 1);

    tdbSetList = new GridView(this);
    tdbSetList->setObjectName(QStringLiteral("tdbSetList"));
    body->addWidget(tdbSetList, 1, 2);
    body->setColumnStretch(0, 1);
    body->setColumnStretch(2, 1);
    layout->addLayout(body, 1);
    resize(820, 480);

    connect(dlpSetName, &QComboBox::activated, this, &frm0122_CS_Menu::chooseSet);
    connect(tstColList, &QTabBar::currentChanged, this, &frm0122_CS_Menu::chooseTab);
    connect(cmdRight, &QPushButton::clicked, this, &frm0122_CS_Menu::addColumn);
    connect(cmdNew, &QPushButton::clicked, this, &frm0122_CS_Menu::newSet);
    connect(cmdRename, &QPushButton::clicked, this, &frm0122_CS_Menu::renameSet);
    connect(cmdRemove, &QPushButton::clicked, this, &frm0122_CS_Menu::removeSet);
    connect(cmdUP, &QPushButton::clicked, this, &frm0122_CS_Menu::moveUp);
    connect(codDown, &QPushButton::clicked, this, &frm0122_CS_Menu::moveDown);
    // A double-click adds as "→" does, and only when "→" may.
    connect(tdbListCol, &QAbstractItemView::doubleClicked, this, [this] {
        if (cmdRight->isEnabled())
            addColumn();
    });
    connect(tdbSetList, &GridView::cellEdited, this, [this] { edited_ = true; });
    tdbSetList->installEventFilter(this);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, [this] { done(QDialog::Rejected); });

    loadForm();
}

void frm0122_CS_Menu::showError(const QString &what, int number, const QString &description)
{
    dialogs_.error(QStringLiteral("%1\nエラーNo=%2 %3").arg(what).arg(number).arg(description), windowTitle());
}

void frm0122_CS_Menu::loadForm()
{
    loading_ = true;
    edited_ = false;
    shownSet_.clear();
    setKeys_ = {QString()};
    dlpSetName->clear();
    dlpSetName->addItem(QString());
    while (tstColList->count() > 0)
        tstColList->removeTab(0);
    loadedTab_ = -1;
    try {
        Database &db = RequireConnection();
        LoadGrid(*tdbSetList, columnSetSql(QString()), db);
        tdbSetList->gridModel()->setAllReadOnly(true);
        for (const ColumnSetName &s : columnSetNames(db)) {
            dlpSetName->addItem(s.name);
            setKeys_ << s.dbName;
        }
        for (const OfferedTable &t : offeredTables(db)) {
            const int i = tstColList->addTab(t.name);
            tstColList->setTabData(i, t.dbName);
        }
    } catch (const DbError &e) {
        showError(QStringLiteral("項目セットを読み込めません。"), e.number(), e.description());
    }
    loading_ = false;
    enableSetButtons(false);
    if (tstColList->count() > 0) {
        tstColList->setCurrentIndex(0);
        chooseTab(0);
    }
}

void frm0122_CS_Menu::chooseTab(int index)
{
    if (loading_ || index < 0 || index == loadedTab_)
        return;
    try {
        LoadGrid(*tdbListCol, columnCatalogueSql(tstColList->tabData(index).toString()));
        // The catalogue is read, never edited here.
        tdbListCol->gridModel()->setAllReadOnly(true);
        loadedTab_ = index;
    } catch (const DbError &e) {
        showError(QStringLiteral("項目の一覧を読み込めません。"), e.number(), e.description());
    }
}

void frm0122_CS_Menu::chooseSet(int index)
{
    if (index < 0 || index >= setKeys_.size())
        return;
    dlpSetName->setCurrentIndex(index);
    const QString key = setKeys_.at(index);
    enableSetButtons(!key.isEmpty());
    offerSave();
    try {
        LoadGrid(*tdbSetList, columnSetSql(key));
        tdbSetList->gridModel()->setAllReadOnly(true);
        shownSet_ = key;
        edited_ = false;
    } catch (const DbError &e) {
        showError(QStringLiteral("項目セットを読み込めません。"), e.number(), e.description());
    }
}

void frm0122_CS_Menu::addColumn()
{
    const int row = tdbListCol->currentRow();
    if (row < 0)
        return;
    GridModel *catalogue = tdbListCol->gridModel();
    QStringList member(ColumnSetGrid::Width, QString());
    for (int c : {ColumnSetGrid::Table, ColumnSetGrid::Column, ColumnSetGrid::Caption})
        member[c] = catalogue->text(row, c);
    const int current = tdbSetList->currentRow();
    tdbSetList->gridModel()->appendRow(member);
    if (current >= 0)
        tdbSetList->setCurrentRow(current);
    else
        tdbSetList->setCurrentRow(0);
    edited_ = true;
}

void frm0122_CS_Menu::moveUp()
{
    move(-1);
}

void frm0122_CS_Menu::moveDown()
{
    move(1);
}

void frm0122_CS_Menu::move(int step)
{
    const int row = tdbSetList->currentRow();
    const int target = row + step;
    if (row >= 0 && target >= 0 && target < tdbSetList->gridModel()->rowCount()) {
        tdbSetList->gridModel()->swapRows(row, target);
        tdbSetList->setCurrentRow(target);
    }
    // The set counts as changed even when the row could not move.
    edited_ = true;
}

void frm0122_CS_Menu::deleteMember()
{
    const int row = tdbSetList->currentRow();
    if (row < 0 || tdbSetList->gridModel()->rowCount() == 0)
        return;
    tdbSetList->gridModel()->removeRows(row, 1);
    edited_ = true;
}

bool frm0122_CS_Menu::offerSave()
{
    if (!edited_)
        return true;
    if (dialogs_.message(QStringLiteral("現在のデータは編集されています。\n変更を保存しますか？"),
                         QStringLiteral("保存確認"), MsgIcon::Question, MsgButtons::OkCancel, MsgResult::Ok)
        != MsgResult::Ok)
        return false;
    if (shownSet_.isEmpty()) {
        // Nothing chosen: there is no set to write the list to.
        edited_ = false;
        return true;
    }
    try {
        saveColumnSet(RequireConnection(), shownSet_, shownMembers());
    } catch (const DbError &e) {
        showError(QStringLiteral("項目セットを保存できません。"), e.number(), e.description());
        return false;
    }
    edited_ = false;
    return true;
}

bool frm0122_CS_Menu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tdbSetList && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        deleteMember();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frm0122_CS_Menu::done(int result)
{
    if (edited_ && !shownSet_.isEmpty()) {
        // Yes saves, No discards, Cancel stays with the changes; Enter saves.
        switch (dialogs_.message(QStringLiteral("現在のデータは編集されています。\n変更を保存しますか？"),
                                 QStringLiteral("保存確認"), MsgIcon::Question, MsgButtons::YesNoCancel,
                                 MsgResult::Yes)) {
        case MsgResult::Yes:
            try {
                saveColumnSet(RequireConnection(), shownSet_, shownMembers());
            } catch (const DbError &e) {
                // Nothing was saved: the operator stays with the changes.
                showError(QStringLiteral("項目セットを保存できません。"), e.number(), e.description());
                return;
            }
            break;
        case MsgResult::No:
            break;
        default:
            return;
        }
        edited_ = false;
    }
    QDialog::done(result);
}

QList<ColumnSetMember> frm0122_CS_Menu::shownMembers() const
{
    const GridModel *set = tdbSetList->gridModel();
    QList<ColumnSetMember> members;
    for (int r = 0; r < set->rowCount(); ++r)
        members << ColumnSetMember{set->text(r, ColumnSetGrid::Table), set->text(r, ColumnSetGrid::Column),
                                   set->text(r, ColumnSetGrid::Caption)};
    return members;
}

void frm0122_CS_Menu::enableSetButtons(bool setShown)
{
    for (QPushButton *b : {cmdUP, cmdRight, codDown, cmdRename, cmdRemove})
        b->setEnabled(setShown);
}

void frm0122_CS_Menu::reloadAndShow(const QString &key)
{
    loadForm();
    const qsizetype index = setKeys_.indexOf(key);
    chooseSet(index > 0 ? int(index) : 0);
}

void frm0122_CS_Menu::newSet()
{
    // The new set is shown next, so the changed one is offered first.
    if (!offerSave())
        return;
    const std::optional<QString> name =
        dialogs_.input(QStringLiteral("新しい項目セットの名前を入力してください。"), QStringLiteral("新規"), QString());
    if (!name)
        return;
    try {
        const ColumnSetChange c = createColumnSet(RequireConnection(), *name);
        if (!c.done) {
            dialogs_.message(c.refusal, QStringLiteral("新規"), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
            return;
        }
        edited_ = false;
        reloadAndShow(c.set.dbName);
    } catch (const DbError &e) {
        showError(QStringLiteral("項目セットを作成できません。"), e.number(), e.description());
    }
}

void frm0122_CS_Menu::renameSet()
{
    const int index = dlpSetName->currentIndex();
    if (shownSet_.isEmpty() || index <= 0)
        return;
    const std::optional<QString> name = dialogs_.input(QStringLiteral("項目セットの新しい名前を入力してください。"),
                                                       QStringLiteral("名前変更"), dlpSetName->itemText(index));
    if (!name)
        return;
    try {
        const ColumnSetChange c = renameColumnSet(RequireConnection(), shownSet_, *name);
        if (!c.done) {
            dialogs_.message(c.refusal, QStringLiteral("名前変更"), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
            return;
        }
        // The members being edited stay as they are, unsaved.
        dlpSetName->setItemText(index, c.set.name);
    } catch (const DbError &e) {
        showError(QStringLiteral("項目セットの名前を変更できません。"), e.number(), e.description());
    }
}

void frm0122_CS_Menu::removeSet()
{
    const int index = dlpSetName->currentIndex();
    if (shownSet_.isEmpty() || index <= 0)
        return;
    if (dialogs_.message(QStringLiteral("項目セット「%1」を削除しますか？").arg(dlpSetName->itemText(index)),
                         QStringLiteral("削除"), MsgIcon::Question, MsgButtons::OkCancel, MsgResult::Cancel)
        != MsgResult::Ok)
        return;
    try {
        removeColumnSet(RequireConnection(), shownSet_);
    } catch (const DbError &e) {
        showError(QStringLiteral("項目セットを削除できません。"), e.number(), e.description());
        return;
    }
    // Changes to the removed set have nothing left to be saved into.
    edited_ = false;
    reloadAndShow(QString());
}
