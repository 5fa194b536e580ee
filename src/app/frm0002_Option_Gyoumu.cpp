#include "app/frm0002_Option_Gyoumu.h"

#include "store/Settings.h"
#include "ui/InputHelpers.h"
#include "store/DbError.h"
#include "store/Dialogs.h"
#include "store/InputChecks.h"
#include "store/NumericText.h"
#include "store/OrderLayout.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <optional>

namespace {

// Retention periods run from one month to two years.
bool retentionOk(const QString &text)
{
    try {
        return IsInRange(text, 1, 24);
    } catch (const DbError &) {
        return false;   // an empty box is no number
    }
}

QLabel *note(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setStyleSheet(QStringLiteral("color: palette(mid);"));
    return l;
}

} // namespace

frm0002_Option_Gyoumu::frm0002_Option_Gyoumu(Dialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm0002_Option_Gyoumu"));
    setWindowTitle(QStringLiteral("業務オプション"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto box = [&](QLineEdit *&b, const char *name, int width) {
        b = new QLineEdit(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMaximumWidth(width);
        return b;
    };
    form->addRow(QStringLiteral("取引先CD"), box(xtxtTriCD, "xtxtTriCD", 160));
    form->addRow(QStringLiteral("TOBARI締日"), box(xtxtShime_Bi, "xtxtShime_Bi", 60));
    form->addRow(QString(), note(QStringLiteral("デフォルトの締日を入力してください。"), this));
    form->addRow(QString(), note(QStringLiteral("末締めは 31 と入力してください。"), this));
    form->addRow(QStringLiteral("消費税率"), box(xtxtZei, "xtxtZei", 60));
    layout->addLayout(form);

    auto *keep = new QGroupBox(QStringLiteral("保存条件"), this);
    auto *kf = new QFormLayout(keep);
    auto months = [&](QLineEdit *&b, const char *name, const QString &label) {
        auto *row = new QHBoxLayout;
        row->addWidget(box(b, name, 60));
        row->addWidget(new QLabel(QStringLiteral("ヶ月保存"), keep));
        row->addStretch(1);
        kf->addRow(label, row);
    };
    months(txtHaHK, "txtHaHK", QStringLiteral("発注データ読込み後"));
    months(txtSeHK, "txtSeHK", QStringLiteral("請求データ、請求日後"));
    months(txtPBHK, "txtPBHK", QStringLiteral("PBマスタデータ、販売終了日後"));
    kf->addRow(QString(), note(QStringLiteral("(月範囲 1～24)"), keep));
    layout->addWidget(keep);

    auto *buttons = new QHBoxLayout;
    auto *cmdDefBack = new QPushButton(QStringLiteral("デフォルトに戻す"), this);
    cmdDefBack->setObjectName(QStringLiteral("cmdDefBack"));
    auto *cmdOK = new QPushButton(QStringLiteral("確認"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    auto *cndCan = new QPushButton(QStringLiteral("取消し"), this);
    cndCan->setObjectName(QStringLiteral("cndCan"));
    for (QPushButton *b : {cmdDefBack, cmdOK, cndCan})
        b->setAutoDefault(false);
    buttons->addWidget(cmdDefBack);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cndCan);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, &frm0002_Option_Gyoumu::save);
    connect(cndCan, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdDefBack, &QPushButton::clicked, this, &frm0002_Option_Gyoumu::resetRetention);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);

    for (QLineEdit *b : {xtxtTriCD, xtxtShime_Bi, xtxtZei})
        TextBoxDecorator::attach(b);
    for (QLineEdit *b : {txtHaHK, txtSeHK, txtPBHK})
        setNumericInput(b);
    xtxtTriCD->setText(Settings::readForScreen(SettingKey::TorihikisakiCd));
    xtxtShime_Bi->setText(Settings::readForScreen(SettingKey::ShimeBi));
    xtxtZei->setText(Settings::readForScreen(SettingKey::Zeiritsu));
    txtHaHK->setText(Settings::readForScreen(SettingKey::HaDataSave));
    txtSeHK->setText(Settings::readForScreen(SettingKey::SeDataSave));
    txtPBHK->setText(Settings::readForScreen(SettingKey::PbDataSave));
}

bool frm0002_Option_Gyoumu::save()
{
    // The partner code goes into billing runs and files of the chain's
    // fixed width; the closing day is the closing screen's default; the tax
    // rate prices every tag. A wrong one would break them later, far from here.
    const QString partner = halfWidthAscii(xtxtTriCD->text()).trimmed();
    const int partnerWidth = OrderLayout::widthOf("OMTRCD");
    bool partnerOk = partner.size() <= partnerWidth;
    for (const QChar c : partner)
        partnerOk = partnerOk && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const std::optional<int> closingDay = wholeNumberInRange(xtxtShime_Bi->text(), 1, 31);
    const std::optional<int> taxRate = wholeNumberInRange(xtxtZei->text(), 0, 99);
    const std::pair<bool, std::pair<QLineEdit *, QString>> checks[] = {
        {partnerOk, {xtxtTriCD, QStringLiteral("取引先CDは %1 桁以内の数字で入力してください。").arg(partnerWidth)}},
        {closingDay.has_value(), {xtxtShime_Bi, QStringLiteral("締日は 1 から 31 の整数で入力してください。")}},
        {taxRate.has_value(), {xtxtZei, QStringLiteral("消費税率は 0 から 99 の整数で入力してください。")}},
    };
    for (const auto &[ok, box] : checks) {
        if (!ok) {
            dialogs_.error(box.second, windowTitle());
            box.first->setFocus();
            return false;
        }
    }
    for (QLineEdit *b : {txtPBHK, txtSeHK, txtHaHK}) {
        if (!retentionOk(b->text())) {
            dialogs_.error(QStringLiteral("保存条件の値が数値として認識できないか、範囲を超えた値です。"), windowTitle());
            b->setFocus();
            return false;
        }
    }
    if (!dialogs_.confirm(QStringLiteral("設定を保存します。　宜しいですか？"), windowTitle()))
        return false;
    const std::pair<SettingKey, QString> values[] = {
        {SettingKey::TorihikisakiCd, partner},         {SettingKey::ShimeBi, QString::number(*closingDay)},
        {SettingKey::Zeiritsu, QString::number(*taxRate)}, {SettingKey::HaDataSave, txtHaHK->text()},
        {SettingKey::SeDataSave, txtSeHK->text()},       {SettingKey::PbDataSave, txtPBHK->text()},
    };
    for (const auto &[key, value] : values) {
        if (!Settings::write(key, value)) {
            dialogs_.error(QStringLiteral("設定ファイル %1 に書き込めません。")
                               .arg(Settings::filePath(SettingFile::GyoumIni)),
                           windowTitle());
            return false;
        }
    }
    accept();
    return true;
}

void frm0002_Option_Gyoumu::resetRetention()
{
    if (!dialogs_.confirm(QStringLiteral("保存条件の全ての値を初期値に戻します。 宜しいですか？"), windowTitle()))
        return;
    txtHaHK->setText(Settings::defaultText(SettingKey::HaDataSave));
    txtSeHK->setText(Settings::defaultText(SettingKey::SeDataSave));
    txtPBHK->setText(Settings::defaultText(SettingKey::PbDataSave));
}

void frm0002_Option_Gyoumu::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !(event->modifiers() & Qt::ShiftModifier)) {
        save();
        return;
    }
    QDialog::keyPressEvent(event);
}
