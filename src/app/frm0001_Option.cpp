#include "app/frm0001_Option.h"

#include "app/Settings.h"
#include "app/grid/InputHelpers.h"
#include "slips/QtFormRenderer.h"
#include "store/DbCommon.h"
#include "store/Dialogs.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

void selectPrinter(QComboBox *box, const QString &saved)
{
    // A saved printer that is no longer installed leaves no selection.
    box->setCurrentIndex(saved.isEmpty() ? -1 : box->findText(saved, Qt::MatchExactly));
}

} // namespace

QStringList frm0001_Option::printerChoices()
{
    return ::printerChoices();
}

frm0001_Option::frm0001_Option(Dialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm0001_Option"));
    setWindowTitle(QStringLiteral("設定"));
    auto *layout = new QVBoxLayout(this);

    auto *io = new QGroupBox(QStringLiteral("読込み出力関係"), this);
    auto *form = new QFormLayout(io);
    auto pathRow = [&](QLineEdit *&box, const QString &name, const QString &button, const QString &caption) {
        box = new QLineEdit(io);
        box->setObjectName(name);
        box->setMinimumWidth(360);
        auto *b = new QToolButton(io);
        b->setObjectName(button);
        b->setText(QStringLiteral("…"));
        connect(b, &QToolButton::clicked, this, [this, box, caption] { chooseFolder(box, caption); });
        auto *row = new QHBoxLayout;
        row->addWidget(box, 1);
        row->addWidget(b);
        return row;
    };
    form->addRow(QStringLiteral("読込みフォルダ"),
                 pathRow(txtRd_Path, QStringLiteral("txtRd_Path"), QStringLiteral("cmdDirSel_RD1"),
                         QStringLiteral("読込みフォルダ指定")));
    form->addRow(QStringLiteral("書出しフォルダ"),
                 pathRow(txtWr_Path, QStringLiteral("txtWr_Path"), QStringLiteral("cmdDirSel_RD2"),
                         QStringLiteral("書出しフォルダ指定")));
    txtWr_Name = new QLineEdit(io);
    txtWr_Name->setObjectName(QStringLiteral("txtWr_Name"));
    form->addRow(QStringLiteral("書出しﾌｧｲﾙ名"), txtWr_Name);
    auto *note = new QLabel(QStringLiteral("指定したファイル名の後に日付時間が付加されます。"), io);
    note->setStyleSheet(QStringLiteral("color: palette(mid);"));
    form->addRow(QString(), note);
    txtEDIURL = new QLineEdit(io);
    txtEDIURL->setObjectName(QStringLiteral("txtEDIURL"));
    form->addRow(QStringLiteral("Web-EDI URL :"), txtEDIURL);
    layout->addWidget(io);

    auto *pr = new QGroupBox(QStringLiteral("プリンタ設定"), this);
    auto *prForm = new QFormLayout(pr);
    xdrpPr_Den = new QComboBox(pr);
    xdrpPr_Den->setObjectName(QStringLiteral("xdrpPr_Den"));
    xdrpPr_Shina = new QComboBox(pr);
    xdrpPr_Shina->setObjectName(QStringLiteral("xdrpPr_Shina"));
    prForm->addRow(QStringLiteral("伝票用"), xdrpPr_Den);
    prForm->addRow(QStringLiteral("品揃えリスト用"), xdrpPr_Shina);
    layout->addWidget(pr);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *cmdOK = new QPushButton(QStringLiteral("確認"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    auto *cndCan = new QPushButton(QStringLiteral("取消し"), this);
    cndCan->setObjectName(QStringLiteral("cndCan"));
    cmdOK->setAutoDefault(false);
    cndCan->setAutoDefault(false);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cndCan);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, &frm0001_Option::save);
    connect(cndCan, &QPushButton::clicked, this, &QDialog::reject);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);

    for (QLineEdit *box : {txtEDIURL, txtRd_Path, txtWr_Path, txtWr_Name})
        TextBoxDecorator::attach(box);
    txtRd_Path->setText(Settings::readForScreen(SettingKey::ReadPath));
    txtWr_Path->setText(Settings::readForScreen(SettingKey::WritePath));
    txtWr_Name->setText(Settings::readForScreen(SettingKey::WriteFileName));
    txtEDIURL->setText(Settings::readForScreen(SettingKey::WebEdiUrl));
    const QStringList printers = printerChoices();
    xdrpPr_Den->addItems(printers);
    xdrpPr_Shina->addItems(printers);
    selectPrinter(xdrpPr_Den, Settings::readText(SettingKey::DenPrinter));
    selectPrinter(xdrpPr_Shina, Settings::readText(SettingKey::ShinaPrinter));
}

void frm0001_Option::chooseFolder(QLineEdit *box, const QString &caption)
{
    const QString folder = BrowseFolder(caption, dialogs_, box->text());
    if (!folder.isEmpty())
        box->setText(folder);
}

bool frm0001_Option::save()
{
    if (!dialogs_.confirm(QStringLiteral("設定を保存します。　宜しいですか？"), windowTitle()))
        return false;
    const std::pair<SettingKey, QString> values[] = {
        {SettingKey::ReadPath, txtRd_Path->text()},
        {SettingKey::WritePath, txtWr_Path->text()},
        {SettingKey::WriteFileName, txtWr_Name->text()},
        {SettingKey::WebEdiUrl, txtEDIURL->text()},
        {SettingKey::DenPrinter, xdrpPr_Den->currentText()},
        {SettingKey::ShinaPrinter, xdrpPr_Shina->currentText()},
    };
    for (const auto &[key, value] : values) {
        if (!Settings::write(key, value)) {
            // Saying nothing would let start-up fail later without a reason.
            dialogs_.error(QStringLiteral("設定ファイル %1 に書き込めません。")
                               .arg(Settings::filePath(SettingFile::ConfIni)),
                           windowTitle());
            return false;
        }
    }
    accept();
    return true;
}

void frm0001_Option::keyPressEvent(QKeyEvent *event)
{
    // Enter saves wherever the focus is.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !(event->modifiers() & Qt::ShiftModifier)) {
        save();
        return;
    }
    QDialog::keyPressEvent(event);
}
