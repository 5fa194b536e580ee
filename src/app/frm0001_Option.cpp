#include "app/frm0001_Option.h"

#include "store/Settings.h"
#include "ui/InputHelpers.h"
#include "slips/FormTestPrint.h"
#include "slips/QtFormRenderer.h"
#include "store/AppFolder.h"
#include "store/DbError.h"
#include "store/NumericText.h"
#include "store/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
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

#include <vector>

namespace {

void selectPrinter(QComboBox *box, const QString &saved)
{
    // A saved printer that is no longer installed leaves no selection.
    box->setCurrentIndex(saved.isEmpty() ? -1 : box->findText(saved, Qt::MatchExactly));
}

// Stock drifts by a few millimetres at most; a larger figure is a typing
// slip that would print off the paper.
constexpr double MaxOffsetMm = 20.0;

QDoubleSpinBox *offsetBox(QWidget *parent, const QString &name, SettingKey key)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(-MaxOffsetMm, MaxOffsetMm);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(numericValue(Settings::readText(key)).value_or(0.0));
    return box;
}

QString offsetText(const QDoubleSpinBox *box)
{
    return QString::number(box->value(), 'f', 1);
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
    xdrpPr_Den->setMinimumWidth(200);
    xdrpPr_Shina = new QComboBox(pr);
    xdrpPr_Shina->setObjectName(QStringLiteral("xdrpPr_Shina"));
    xdrpPr_Shina->setMinimumWidth(200);
    txtOffX_Den = offsetBox(pr, QStringLiteral("txtOffX_Den"), SettingKey::DenOffsetX);
    txtOffY_Den = offsetBox(pr, QStringLiteral("txtOffY_Den"), SettingKey::DenOffsetY);
    txtOffX_Shina = offsetBox(pr, QStringLiteral("txtOffX_Shina"), SettingKey::ShinaOffsetX);
    txtOffY_Shina = offsetBox(pr, QStringLiteral("txtOffY_Shina"), SettingKey::ShinaOffsetY);
    auto printerRow = [&](QComboBox *printer, QDoubleSpinBox *x, QDoubleSpinBox *y, const QString &button,
                          void (frm0001_Option::*test)()) {
        auto *row = new QHBoxLayout;
        row->addWidget(printer, 1);
        row->addWidget(new QLabel(QStringLiteral("補正 横"), pr));
        row->addWidget(x);
        row->addWidget(new QLabel(QStringLiteral("縦"), pr));
        row->addWidget(y);
        auto *b = new QPushButton(QStringLiteral("テスト印刷"), pr);
        b->setObjectName(button);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, test);
        row->addWidget(b);
        return row;
    };
    prForm->addRow(QStringLiteral("伝票用"),
                   printerRow(xdrpPr_Den, txtOffX_Den, txtOffY_Den, QStringLiteral("cmdTest_Den"),
                              &frm0001_Option::testPrintSlip));
    prForm->addRow(QStringLiteral("品揃えリスト用"),
                   printerRow(xdrpPr_Shina, txtOffX_Shina, txtOffY_Shina, QStringLiteral("cmdTest_Shina"),
                              &frm0001_Option::testPrintList));
    auto *offsetNote = new QLabel(QStringLiteral("補正: 印字を右・下へずらす量（mm）。左・上へはマイナスで指定します。"), pr);
    offsetNote->setStyleSheet(QStringLiteral("color: palette(mid);"));
    prForm->addRow(QString(), offsetNote);
    chkPlainPaper = new QCheckBox(QStringLiteral("普通紙に印刷する（帳票の枠と項目名も印刷します）"), pr);
    chkPlainPaper->setObjectName(QStringLiteral("chkPlainPaper"));
    chkPlainPaper->setChecked(Settings::readText(SettingKey::PlainPaper).trimmed() == QLatin1String("1"));
    prForm->addRow(QString(), chkPlainPaper);
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

void frm0001_Option::testPrintSlip()
{
    testPrint(QStringLiteral("COR/TA2.crf"), xdrpPr_Den, txtOffX_Den, txtOffY_Den);
}

void frm0001_Option::testPrintList()
{
    testPrint(QStringLiteral("COR/AS.crf"), xdrpPr_Shina, txtOffX_Shina, txtOffY_Shina);
}

void frm0001_Option::testPrint(const QString &form, QComboBox *printer, QDoubleSpinBox *x, QDoubleSpinBox *y)
{
    const QString path = AppFolder::file(form);
    QtFormRenderer::Options options;
    options.pdfFolder = txtWr_Path->text().trimmed().isEmpty() ? AppFolder::path() : txtWr_Path->text().trimmed();
    options.formOffsets.insert(QFileInfo(path).fileName(), QPointF(x->value(), y->value()));
    try {
        BusyCursor busy;
        const QString pdf = printFormTestPage(path, printer->currentText(), options);
        if (!pdf.isEmpty())
            dialogs_.info(QStringLiteral("テスト印刷を PDF ファイルに出力しました。") + QStringLiteral("\r\n")
                              + QDir::toNativeSeparators(pdf),
                          windowTitle());
    } catch (const DbError &e) {
        dialogs_.error(QStringLiteral("テスト印刷できませんでした。") + QStringLiteral("\r\n") + e.description(),
                       windowTitle());
    }
}

void frm0001_Option::chooseFolder(QLineEdit *box, const QString &caption)
{
    const QString folder = dialogs_.chooseFolder(caption, box->text());
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
    // An offset is written once it is set: an untouched screen leaves the
    // section as it always was, and a key once written is kept up to date.
    const std::pair<SettingKey, const QDoubleSpinBox *> offsets[] = {
        {SettingKey::DenOffsetX, txtOffX_Den},
        {SettingKey::DenOffsetY, txtOffY_Den},
        {SettingKey::ShinaOffsetX, txtOffX_Shina},
        {SettingKey::ShinaOffsetY, txtOffY_Shina},
    };
    std::vector<std::pair<SettingKey, QString>> all(std::begin(values), std::end(values));
    for (const auto &[key, box] : offsets) {
        if (box->value() != 0.0 || !Settings::readText(key).isEmpty())
            all.emplace_back(key, offsetText(box));
    }
    if (chkPlainPaper->isChecked() || !Settings::readText(SettingKey::PlainPaper).isEmpty())
        all.emplace_back(SettingKey::PlainPaper, chkPlainPaper->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    for (const auto &[key, value] : all) {
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
