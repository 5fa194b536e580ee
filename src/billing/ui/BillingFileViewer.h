#pragma once
// "請求データ確認": what a billing data file holds, shown before it is sent
// to the chain: one row per slip (partner, slip, delivery date, amount),
// one line per trading partner saying whether its trailer agrees, and
// every disagreement in plain words, in red. It only reads the file.

#include "billing/BillingFileView.h"

#include <QDialog>

class GridView;
class QLabel;

class BillingFileViewer : public QDialog {
    Q_OBJECT
public:
    BillingFileViewer(const QString &path, const BillingFileView &view, QWidget *parent = nullptr);

    GridView *tdbList = nullptr;
    QLabel *labFile = nullptr;
    QLabel *labSummary = nullptr;
    QLabel *labProblems = nullptr;
};
