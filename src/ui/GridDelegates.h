#pragma once
// One delegate per column type, shared by every list screen. They paint
// and edit; what a pressed button or a changed tick means is the screen's.

#include "ui/InputHelpers.h"

#include <QStyledItemDelegate>

// Key columns ("B", "d"): every cell is drawn as a push button carrying the
// cell's text, the one emphasis the list screens give the cells they act on.
// The grid view reports the press (GridView::buttonClicked).
class ButtonCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// Check-box columns ("b"): a centred box; a click anywhere in the cell or
// the space bar toggles it when the column is editable.
class CheckBoxDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
};

// Number columns ("L", "C"): edited as the plain number the array holds,
// right-aligned, digits and one decimal point only, input method off (a
// delivered quantity or a price is never negative and never typed in kana).
class NumberCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit NumberCellDelegate(QObject *parent = nullptr) : QStyledItemDelegate(parent) {}
    // A column with its own rule (a sign allowed, a limit on the decimals).
    NumberCellDelegate(const NumberInputOptions &options, QObject *parent)
        : QStyledItemDelegate(parent), options_(options)
    {
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    NumberInputOptions options_;
};
