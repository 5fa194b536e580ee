#pragma once
// The version information screen.

#include <QDialog>

class QLabel;

class frm9901_Var : public QDialog {
    Q_OBJECT
public:
    explicit frm9901_Var(QWidget *parent = nullptr);

    // "ﾊﾞｰｼﾞｮﾝ " + major.minor.revision.
    static QString versionLabel(int major, int minor, int revision);

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
};
