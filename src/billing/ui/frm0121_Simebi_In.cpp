#include "billing/ui/frm0121_Simebi_In.h"

#include "billing/ClosingPeriod.h"
#include "store/Connection.h"
#include "store/DbError.h"
#include "store/Dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

// A box selects its text when it gets the focus, so a refused date is
// typed over at once.
void focusAndSelect(QLineEdit *box)
{
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

} // namespace

frm0121_Simebi_In::frm0121_Simebi_In(Dialogs &dialogs, BillingSettings settings, QWidget *parent)
    : QDialog(parent), dialogs_(dialogs), settings_(std::move(settings))
{
    setObjectName(QStringLiteral("frm0121_Simebi_In"));
    setWindowTitle(QStringLiteral("締日入力"));
    auto *layout = new QVBoxLayout(this);
    for (const char *text : {"今回行う締日の確認をし、必要であれば訂正してください。",
                             "自から至までの未請求データを対象に締処理を行います。（再集計含む）",
                             "通常前回請求日+1がデフォルトで表示されますが、初回のみ入力してください。"}) {
        auto *label = new QLabel(QString::fromUtf8(text), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    auto *boxes = new QGridLayout;
    txtShime_BI_J = new QLineEdit(this);
    txtShime_BI_J->setObjectName(QStringLiteral("txtShime_BI_J"));
    txtShime_BI_I = new QLineEdit(this);
    txtShime_BI_I->setObjectName(QStringLiteral("txtShime_BI_I"));
    boxes->addWidget(new QLabel(QStringLiteral("対象期間：自"), this), 0, 0);
    boxes->addWidget(txtShime_BI_J, 0, 1);
    boxes->addWidget(new QLabel(QStringLiteral("対象期間：至"), this), 1, 0);
    boxes->addWidget(txtShime_BI_I, 1, 1);
    layout->addLayout(boxes);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCan = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCan->setObjectName(QStringLiteral("cmdCan"));
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCan);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, [this] { confirm(); });
    connect(cmdCan, &QPushButton::clicked, this, &QDialog::reject);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);

    const ClosingPeriod proposed = proposeClosingPeriod(RequireConnection(), settings_.closingDay);
    txtShime_BI_J->setText(proposed.from);
    txtShime_BI_I->setText(proposed.to);
}

bool frm0121_Simebi_In::confirm()
{
    ClosingResult r;
    try {
        r = runClosing(RequireConnection(), dialogs_, txtShime_BI_J->text(), txtShime_BI_I->text());
    } catch (const DbError &e) {
        dialogs_.error(unhandledErrorText(e.number(), e.description()), windowTitle());
        return false;
    }
    if (r.focus == ClosingField::From)
        focusAndSelect(txtShime_BI_J);
    else if (r.focus == ClosingField::To)
        focusAndSelect(txtShime_BI_I);
    if (r.status != 0)
        return false;
    accept();
    return true;
}
