#pragma once
// The delivered-quantity correction screen "発注数量訂正". The slip list
// opens it for one slip (slip mode: the quantities only); the request-based
// tag issue screen for one order of a tag-issue request (request mode:
// quantities and selling prices). Saving rewrites every line of the list in
// one transaction through UpdateDeliveredQuantity, so all lines are saved
// or none.

#include <QDialog>

class Dialogs;
class GridView;
class NumberCellDelegate;
class QLineEdit;
class QPushButton;

class frm0102_DenSuuEdit : public QDialog {
    Q_OBJECT
public:
    explicit frm0102_DenSuuEdit(Dialogs &dialogs, QWidget *parent = nullptr);

    // Call before showing the screen: `caption` is the slip number (slip
    // mode) or the request number (request mode) and goes into the window
    // caption; `storeName` is "なし" in request mode. Loads the lines; a
    // billed slip is said so and opens read-only.
    void set_DENNO(const QString &caption, const QString &orderNo, const QString &storeName, bool requestMode);

    // F1 / 確定: saves every line and closes; false when it stayed open
    // (a value refused, or the screen is read-only).
    bool save();
    // F9 / 取消: asks first while the screen is editable, then closes
    // without saving; false when the operator stayed.
    bool leave();

    bool requestMode() const { return requestMode_; }
    bool isEditable() const;

    GridView *tdbList1 = nullptr;
    QLineEdit *xtxtHaNo = nullptr;
    QLineEdit *xtxtTenName = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCan = nullptr;

    // The first column of both lists holds the line's INDEXNOBD.
    static constexpr int KeyColumn = 0;
    static QString quantityCaption() { return QStringLiteral("納品数"); }
    static QString priceCaption() { return QStringLiteral("売価"); }

    // The list statements of the two modes.
    static QString slipListSql(const QString &slipNo);
    static QString requestListSql(const QString &orderNo, const QString &requestNo);

public slots:
    // Esc and the window's close box leave as 取消 does; Ctrl+W closes at once.
    void reject() override;

private:
    void loadList();
    void setReadOnly();
    void commitPendingEdit();

    Dialogs &dialogs_;
    QString captionNo_;
    QString orderNo_;
    QString storeName_;
    bool requestMode_ = false;
    NumberCellDelegate *quantityDelegate_ = nullptr;
};
