#include "app/frm0000_main.h"

#include "app/DesktopOpener.h"

#include "app/ScreenRegistry.h"
#include "store/Connection.h"
#include "store/WorkLock.h"
#include "billing/ConsignmentDetail.h"
#include "store/Settings.h"
#include "import/ui/frm9001_splImport.h"
#include "maint/Compaction.h"
#include "output/ChangeHistory.h"
#include "store/AppState.h"
#include "store/Connection.h"
#include "ui/DataAccessError.h"
#include "store/Dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QFileSystemWatcher>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

frm0000_main::frm0000_main(Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), dialogs_(dialogs), commands_(dialogs, *this)
{
    setObjectName(QStringLiteral("frm0000_main"));
    opener_ = new DesktopOpener(dialogs_, QStringLiteral("xdg-open"), this);
    // Each import runs in its own progress window, which closes when it ends.
    auto importWith = [this](int (frm9001_splImport::*read)(const QString &)) {
        return [this, read](const QString &path) {
            frm9001_splImport window(dialogs_, this);
            return (window.*read)(path);
        };
    };
    commands_.setImports({importWith(&frm9001_splImport::DRead_Order), importWith(&frm9001_splImport::DRead_PBMST),
                          importWith(&frm9001_splImport::DRead_ADDMST)});
    commands_.setChangeHistory([this] { return writeChangeHistory(RequireConnection(), dialogs_).status; });
    commands_.setConsignmentBilling([this] { return IssueConsignmentDetail(RequireConnection(), dialogs_).status; });
    setWindowTitle(applicationTitle());

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(24, 16, 24, 16);

    auto *title = new QLabel(applicationTitle(), central);
    QFont tf = title->font();
    tf.setPointSizeF(tf.pointSizeF() * 1.8);
    tf.setBold(true);
    title->setFont(tf);
    outer->addWidget(title);

    framMenu_ = new QGroupBox(central);
    framMenu_->setObjectName(QStringLiteral("framMenu"));
    QFont ff = framMenu_->font();
    ff.setPointSizeF(ff.pointSizeF() * 1.2);
    framMenu_->setFont(ff);
    auto *grid = new QGridLayout(framMenu_);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);
    for (int i = 0; i < clsMakeMenu::EntryCount; ++i) {
        auto *number = new QLabel(QStringLiteral("F%1  %2.").arg(i + 1).arg(i + 1), framMenu_);
        number->setObjectName(QStringLiteral("Label1_%1").arg(i));
        number->setStyleSheet(QStringLiteral("color: palette(mid);"));
        auto *entry = new QLabel(framMenu_);
        entry->setObjectName(QStringLiteral("xlabMenu_%1").arg(i));
        entry->setCursor(Qt::PointingHandCursor);
        entry->setMinimumWidth(220);
        entry->setStyleSheet(QStringLiteral("QLabel { color: palette(link); font-weight: bold; padding: 2px 6px; }"
                                            "QLabel:hover { background: palette(highlight); color: palette(highlighted-text); }"));
        entry->installEventFilter(this);
        auto *comment = new QLabel(framMenu_);
        comment->setObjectName(QStringLiteral("labMenu_%1").arg(i));
        grid->addWidget(number, i, 0);
        grid->addWidget(entry, i, 1);
        grid->addWidget(comment, i, 2);
        xlabMenu_[i] = entry;
        labMenu_[i] = comment;
    }
    grid->setColumnStretch(2, 1);
    outer->addWidget(framMenu_, 1);

    auto *cmdRow = new QHBoxLayout;
    auto *cmdLabel = new QLabel(QStringLiteral("メニュー番号"), central);
    txtCmd_ = new QLineEdit(central);
    txtCmd_->setObjectName(QStringLiteral("txtCmd"));
    txtCmd_->setToolTip(QStringLiteral("メニュー番号を入れてください。"));
    txtCmd_->setMaximumWidth(80);
    connect(txtCmd_, &QLineEdit::returnPressed, this, &frm0000_main::commandEntered);
    cmdRow->addWidget(cmdLabel);
    cmdRow->addWidget(txtCmd_);
    cmdRow->addStretch(1);
    outer->addLayout(cmdRow);

    // New order files in the read folder, and the button that imports them.
    newOrders_ = new QWidget(central);
    auto *newRow = new QHBoxLayout(newOrders_);
    newRow->setContentsMargins(0, 0, 0, 0);
    labNewOrders_ = new QLabel(newOrders_);
    labNewOrders_->setObjectName(QStringLiteral("labNewOrders"));
    labNewOrders_->setStyleSheet(QStringLiteral("font-weight: bold;"));
    cmdNewOrders_ = new QPushButton(QStringLiteral("取り込む"), newOrders_);
    cmdNewOrders_->setObjectName(QStringLiteral("cmdNewOrders"));
    connect(cmdNewOrders_, &QPushButton::clicked, this, [this] { guarded([this] { commands_.pickUpNewOrders(); }); });
    newRow->addWidget(labNewOrders_);
    newRow->addWidget(cmdNewOrders_);
    newRow->addStretch(1);
    newOrders_->hide();
    outer->addWidget(newOrders_);
    readFolderWatch_ = new QFileSystemWatcher(this);
    // A file being written changes the folder many times: look once it has
    // been quiet for a moment.
    readFolderSettle_ = new QTimer(this);
    readFolderSettle_->setSingleShot(true);
    readFolderSettle_->setInterval(1000);
    connect(readFolderSettle_, &QTimer::timeout, this, &frm0000_main::refreshNewOrders);
    connect(readFolderWatch_, &QFileSystemWatcher::directoryChanged, readFolderSettle_,
            qOverload<>(&QTimer::start));

    setCentralWidget(central);
    statusBar()->showMessage(QStringLiteral("F1〜F9 またはメニュー番号で選択します。"));
    resize(820, 600);
}

template <class F>
void frm0000_main::guarded(F &&action)
{
    try {
        action();
        // An action may import, put files away or change the read folder.
        refreshNewOrders();
    } catch (const DbError &e) {
        QApplication::restoreOverrideCursor();
        setEnabled(true);
        dialogs_.message(unhandledErrorText(e.number(), e.description()),
                         applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    } catch (const std::exception &e) {
        QApplication::restoreOverrideCursor();
        setEnabled(true);
        dialogs_.message(unhandledErrorText(3, QString::fromLocal8Bit(e.what())),
                         applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    }
}

void frm0000_main::load()
{
    AppState::CompactionRequest = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A failure is shown; the screen still shows, without a menu.
    const int rc = OpenDatabaseReporting(true, dialogs_);
    menu_.setMenuName(Settings::readText(SettingKey::MenuSelect));
    menu_.setHost(this);
    QApplication::restoreOverrideCursor();
    if (rc == 0)
        guarded([&] {
            // A compaction an earlier close could not run is still owed.
            if (Compaction::isPending(RequireConnection()))
                AppState::CompactionRequest = 1;
            menu_.showMenu(QStringLiteral("0"), AppConnection());
        });
}

void frm0000_main::refreshNewOrders()
{
    const QString folder = Settings::readText(SettingKey::ReadPath);
    const QStringList watched = readFolderWatch_->directories();
    if (watched != QStringList(folder)) {
        if (!watched.isEmpty())
            readFolderWatch_->removePaths(watched);
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            readFolderWatch_->addPath(folder);
    }
    Database *db = AppConnection();
    const qsizetype n = db ? newOrderFiles_.find(*db, folder).size() : 0;
    labNewOrders_->setText(QStringLiteral("新しい受信データがあります（%1 件）").arg(n));
    newOrders_->setVisible(n > 0);
}

void frm0000_main::setMenuTitle(const QString &title)
{
    framMenu_->setTitle(title);
}

void frm0000_main::setMenuEntry(int index, const QString &name, const QString &comment)
{
    xlabMenu_[index]->setText(name);
    labMenu_[index]->setText(comment);
}

QString frm0000_main::entryText(int index) const
{
    return xlabMenu_[index]->text();
}

QString frm0000_main::titleText() const
{
    return framMenu_->title();
}

void frm0000_main::openScreen(const QString &name)
{
    // The billing screens are one desk's at a time: a second desk is told
    // which desk bills and the screen does not open.
    std::optional<HeldWork> desk;
    if (const std::optional<WorkLock::Work> work = ScreenRegistry::workOf(name); work && AppConnection()) {
        desk.emplace(*AppConnection(), *work);
        if (!*desk) {
            dialogs_.message(desk->refusal(), applicationTitle(), MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
            return;
        }
    }
    QDialog *screen = ScreenRegistry::create(name, this, dialogs_);
    if (!screen && ScreenRegistry::isPlanned(name)) {
        dialogs_.message(QStringLiteral("この画面はこのバージョンではまだ使えません。"), applicationTitle(),
                         MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
        return;
    }
    if (!screen) {
        dialogs_.message(QStringLiteral("画面「%1」はありません。").arg(name), applicationTitle(), MsgIcon::Critical,
                         MsgButtons::Ok, MsgResult::Ok);
        return;
    }
    ScreenRegistry::exec(screen);
}

void frm0000_main::loadProcedure(const QString &name)
{
    commands_.loadProcedure(name);
}

void frm0000_main::shellOpen(const QString &target)
{
    // A target that cannot be opened gives no message.
    const QUrl url = target.contains(QLatin1String("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}

void frm0000_main::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frm0000_main::setMainEnabled(bool enabled)
{
    setEnabled(enabled);
}

void frm0000_main::closeMain()
{
    closing_ = true;
    close();
}

void frm0000_main::openExternal(const QString &target)
{
    opener_->open(target, QStringLiteral("Web-EDIのサイトを開けませんでした。"));
}

void frm0000_main::commandEntered()
{
    const QString text = txtCmd_->text();
    txtCmd_->clear();   // emptied whatever it selected
    if (text.isEmpty())
        return;
    // A number that selects nothing is answered, so a typing slip is not
    // mistaken for a menu that does not react.
    const int n = clsMakeMenu::entryNumber(text);
    if (n == 0 || !menu_.hasEntry(n)) {
        dialogs_.message(n == 0 ? QStringLiteral("メニュー番号は 1 から 9 の数字で入れてください。")
                                : QStringLiteral("メニュー番号 %1 はこのページにありません。").arg(n),
                         applicationTitle(), MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
        return;
    }
    guarded([&] { menu_.MenuSelect(text); });
}

void frm0000_main::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F9) {
        guarded([&] { menu_.FunctionKey(112 + (key - Qt::Key_F1), int(event->modifiers())); });
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool frm0000_main::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < clsMakeMenu::EntryCount; ++i) {
            if (watched == xlabMenu_[i]) {
                guarded([&] { menu_.cmdClick(i); });
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frm0000_main::closeEvent(QCloseEvent *event)
{
    // The close box asks like the end command does.
    if (!closing_ && !MainCommands::confirmEnd(dialogs_)) {
        event->ignore();
        return;
    }
    event->accept();
    // A retention deletion ran: compact the database before ending.
    if (AppState::CompactionRequest == 1 && ScreenRegistry::contains(QStringLiteral("frm9900_DBCompact")))
        openScreen(QStringLiteral("frm9900_DBCompact"));
}
