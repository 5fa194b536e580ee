#include "app/frm9901_Var.h"

#include "app/Version.h"
#include "store/Dialogs.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

QString frm9901_Var::versionLabel(int major, int minor, int revision)
{
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3").arg(major).arg(minor).arg(revision);
}

frm9901_Var::frm9901_Var(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm9901_Var"));
    setWindowTitle(applicationTitle() + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *picIcon = new QLabel(this);
    picIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    top->addWidget(picIcon, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    lblTitle = new QLabel(applicationTitle(), this);
    QFont f = lblTitle->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    lblTitle->setFont(f);
    lblVersion = new QLabel(versionLabel(versionMajor(), versionMinor(), versionRevision()), this);
    auto *lblDescription = new QLabel(QStringLiteral("チェーンの発注データから納品伝票・品揃表・値札・請求データを作成します。"), this);
    lblDescription->setWordWrap(true);
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addWidget(lblDescription);
    top->addLayout(texts, 1);
    layout->addLayout(top);
    auto *Text1 = new QPlainTextEdit(QStringLiteral("TOBARI用\n伝票・値札発行用アプリケーション"), this);
    Text1->setReadOnly(true);
    Text1->setMaximumHeight(60);
    layout->addWidget(Text1);
    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(cmdOK, 0, Qt::AlignRight);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    resize(420, 240);
}
