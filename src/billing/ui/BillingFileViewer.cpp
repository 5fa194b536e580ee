#include "billing/ui/BillingFileViewer.h"

#include "store/GridColumns.h"
#include "ui/GridModel.h"
#include "ui/GridView.h"

#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

BillingFileViewer::BillingFileViewer(const QString &path, const BillingFileView &view, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("BillingFileViewer"));
    setWindowTitle(QStringLiteral("請求データ確認"));
    auto *layout = new QVBoxLayout(this);
    labFile = new QLabel(QDir::toNativeSeparators(path), this);
    labFile->setObjectName(QStringLiteral("labFile"));
    labFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(labFile);

    tdbList = new GridView(this);
    tdbList->setObjectName(QStringLiteral("tdbList"));
    QList<GridColumn> columns;
    for (const QString &alias : {QStringLiteral("取引先S01000"), QStringLiteral("伝票NoS01600"),
                                 QStringLiteral("納品日s01000"), QStringLiteral("金額S01400")})
        columns << describeGridColumn(alias);
    columns.last().align = GridAlign::Right;
    GridData data(columns);
    for (const QStringList &row : billingViewRows(view))
        data.appendRow(row);
    tdbList->gridModel()->setGridData(std::move(data));
    layout->addWidget(tdbList, 1);

    labSummary = new QLabel(billingViewSummary(view).join(QLatin1Char('\n')), this);
    labSummary->setObjectName(QStringLiteral("labSummary"));
    layout->addWidget(labSummary);
    labProblems = new QLabel(this);
    labProblems->setObjectName(QStringLiteral("labProblems"));
    labProblems->setWordWrap(true);
    if (view.ok()) {
        labProblems->setText(QStringLiteral("トレーラーの件数と合計はすべて一致しています。"));
    } else {
        // A mismatch must not be overlooked: it leads, in red.
        labProblems->setText(QStringLiteral("内容が一致しません。このファイルは送信しないでください。\n")
                             + view.problems.join(QLatin1Char('\n')));
        labProblems->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    }
    layout->addWidget(labProblems);

    auto *close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
    resize(720, 560);
}
