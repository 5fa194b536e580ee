#include "output/ui/frm0102_DenSuuEdit.h"

#include "ui/GridDelegates.h"
#include "ui/GridView.h"
#include "ui/InputHelpers.h"
#include "ui/LoadGrid.h"
#include "output/DeliveredQuantity.h"
#include "store/Connection.h"
#include "store/Literals.h"
#include "store/DbError.h"
#include "store/Dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>


namespace {

const QString BaseCaption = QStringLiteral("発注数量訂正");

} // namespace

QString frm0102_DenSuuEdit::slipListSql(const QString &slipNo)
{
    return SlipCorrectionSql(slipNo);
}

QString frm0102_DenSuuEdit::requestListSql(const QString &orderNo, const QString &requestNo)
{
    return RequestCorrectionSql(orderNo, requestNo);
}

frm0102_DenSuuEdit::frm0102_DenSuuEdit(Dialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm0102_DenSuuEdit"));
    setWindowTitle(BaseCaption);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *head = new QHBoxLayout;
    head->addWidget(new QLabel(QStringLiteral("発注No"), this));
    xtxtHaNo = new QLineEdit(this);
    xtxtHaNo->setObjectName(QStringLiteral("xtxtHaNo"));
    xtxtTenName = new QLineEdit(this);
    xtxtTenName->setObjectName(QStringLiteral("xtxtTenName"));
    // The two boxes only say which slip this is; the work is in the grid.
    for (QLineEdit *box : {xtxtHaNo, xtxtTenName}) {
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
    }
    xtxtHaNo->setMaximumWidth(120);
    head->addWidget(xtxtHaNo);
    head->addWidget(xtxtTenName, 1);
    layout->addLayout(head);

    tdbList1 = new GridView(this);
    tdbList1->setObjectName(QStringLiteral("tdbList1"));
    NumberInputOptions quantityInput;
    quantityInput.allowNegative = true;
    quantityInput.maxDecimals = 1;
    quantityDelegate_ = new NumberCellDelegate(quantityInput, this);
    layout->addWidget(tdbList1, 1);

    auto *buttons = new QHBoxLayout;
    cmdOK = new QPushButton(QStringLiteral("確定(&F1)"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCan = new QPushButton(QStringLiteral("取消(&F9)"), this);
    cmdCan->setObjectName(QStringLiteral("cmdCan"));
    // Enter belongs to the grid (it ends a cell edit), never to a button.
    for (QPushButton *b : {cmdOK, cmdCan}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCan);
    layout->addLayout(buttons);
    resize(780, 420);

    connect(cmdOK, &QPushButton::clicked, this, &frm0102_DenSuuEdit::save);
    connect(cmdCan, &QPushButton::clicked, this, &frm0102_DenSuuEdit::leave);
    // Window shortcuts reach the screen while a cell is being edited too.
    new QShortcut(QKeySequence(Qt::Key_F1), this, this, [this] {
        if (cmdOK->isEnabled())
            save();
    });
    new QShortcut(QKeySequence(Qt::Key_F9), this, this, &frm0102_DenSuuEdit::leave);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, [this] { done(QDialog::Rejected); });
}

void frm0102_DenSuuEdit::set_DENNO(const QString &caption, const QString &orderNo, const QString &storeName,
                                   bool requestMode)
{
    captionNo_ = caption;
    orderNo_ = orderNo;
    storeName_ = storeName;
    requestMode_ = requestMode;
    loadList();
}

bool frm0102_DenSuuEdit::isEditable() const
{
    return cmdOK->isEnabled();
}

void frm0102_DenSuuEdit::setReadOnly()
{
    tdbList1->setEnabled(false);
    cmdOK->setEnabled(false);
}

void frm0102_DenSuuEdit::loadList()
{
    setWindowTitle(BaseCaption + QStringLiteral("  <") + captionNo_ + QStringLiteral(">"));
    xtxtHaNo->setText(orderNo_);
    xtxtTenName->setText(storeName_);
    tdbList1->setEnabled(true);
    cmdOK->setEnabled(true);
    try {
        Database &db = RequireConnection();
        LoadGrid(*tdbList1, requestMode_ ? requestListSql(orderNo_, captionNo_) : slipListSql(captionNo_), db);
        GridModel *m = tdbList1->gridModel();
        m->setAllReadOnly(true);
        const int quantity = m->columnOf(quantityCaption());
        m->setColumnReadOnly(quantity, false);
        // A minus sign is let through so that saving can say why a negative
        // delivery is refused, instead of the key being swallowed and "-3"
        // becoming 3; the chain's files carry one decimal.
        tdbList1->setItemDelegateForColumn(quantity, quantityDelegate_);
        if (requestMode_)
            m->setColumnReadOnly(m->columnOf(priceCaption()), false);
        tdbList1->setEditableColumnsOnly(true);
        if (m->rowCount() > 0)
            tdbList1->setCurrentCell(0, quantity);
        tdbList1->setFocus();

        if (!requestMode_) {
            // A billed slip's figures are on the chain's books: they stay.
            Recordset rs = db.query(QStringLiteral("Select SEIKYU_FLG From TBL_RD_H2 Where OMDNNO=") + SqlText(captionNo_));
            if (rs.eof()) {
                setReadOnly();
            } else if (rs.text(0) == QLatin1String("-1")) {
                rs.close();
                dialogs_.error(QStringLiteral("選択されたデータは請求済みです。\n請求済みのデータを変更する事は出来ません。"));
                setReadOnly();
            }
        }
    } catch (const DbError &e) {
        dialogs_.error(QStringLiteral("エラーが発生しました。　処理を中止します。\nエラーNo=%1 %2")
                           .arg(e.number())
                           .arg(e.description()));
        setReadOnly();
    }
}

void frm0102_DenSuuEdit::commitPendingEdit()
{
    // An open cell editor holds the value the operator typed last; it
    // counts as entered when the operator saves.
    const auto editors = tdbList1->viewport()->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly);
    for (QLineEdit *editor : editors) {
        if (editor->isHidden())
            continue;
        QAbstractItemDelegate *delegate = tdbList1->itemDelegateForIndex(tdbList1->currentIndex());
        if (!delegate)
            continue;
        emit delegate->commitData(editor);
        emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool frm0102_DenSuuEdit::save()
{
    if (!cmdOK->isEnabled())
        return false;
    commitPendingEdit();
    GridModel *m = tdbList1->gridModel();
    CorrectionResult result;
    try {
        result = SaveCorrection(RequireConnection(), dialogs_, m->gridData(), KeyColumn,
                                m->columnOf(quantityCaption()), requestMode_ ? m->columnOf(priceCaption()) : -1);
    } catch (const DbError &e) {
        result.status = CorrectionResult::Failed;
        result.error = e.number();
        result.message = QStringLiteral("エラーが発生しました。　処理を中止します。");
    }
    if (result.status == CorrectionResult::Saved) {
        accept();
        return true;
    }
    if (result.status == CorrectionResult::Failed && result.error != DbErr::Overflow
        && result.error != DbErr::TypeMismatch)
        dialogs_.error(result.message + QStringLiteral("\nエラーNo=%1").arg(result.error));
    else if (result.status != CorrectionResult::Declined)
        dialogs_.error(result.message);
    if (result.row >= 0 && result.column != KeyColumn)
        tdbList1->setCurrentCell(result.row, result.column);
    return false;
}

bool frm0102_DenSuuEdit::leave()
{
    if (cmdOK->isEnabled()
        && !dialogs_.confirm(QStringLiteral("編集内容を確定せずに終了しますが宜しいですか？"), QString(),
                             MsgResult::Cancel))
        return false;
    done(QDialog::Rejected);
    return true;
}

void frm0102_DenSuuEdit::reject()
{
    leave();
}
