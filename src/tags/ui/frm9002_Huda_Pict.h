#pragma once
// A tag's picture at full size, in a small window at the top-left corner
// of the screen, so that the operator sees which tag stock to load.

#include <QDialog>

class QLabel;

class frm9002_Huda_Pict : public QDialog {
    Q_OBJECT
public:
    explicit frm9002_Huda_Pict(QWidget *parent = nullptr);

    // The picture's base name (a tag name or PB tag type); call before showing.
    void setPICNO(const QString &name) { name_ = name; }
    const QString &picture() const { return name_; }

    QLabel *imgPict = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString name_;
};
