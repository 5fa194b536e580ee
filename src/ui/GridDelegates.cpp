#include "ui/GridDelegates.h"

#include "ui/GridView.h"
#include "ui/InputHelpers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace {

QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

// The cell's background and selection, without text or check indicator.
void paintBackground(QPainter *painter, const QStyleOptionViewItem &option)
{
    QStyleOptionViewItem bg = option;
    bg.text.clear();
    bg.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    bg.features &= ~QStyleOptionViewItem::HasDecoration;
    styleOf(option)->drawControl(QStyle::CE_ItemViewItem, &bg, painter, option.widget);
}

} // namespace

// ---------------------------------------------------------------- buttons

void ButtonCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    paintBackground(painter, opt);

    const auto *view = qobject_cast<const GridView *>(option.widget);
    const bool pressed = view && view->pressedButton() == index;
    QStyleOptionButton b;
    b.rect = option.rect.adjusted(1, 1, -2, -2);
    b.palette = option.palette;
    b.fontMetrics = option.fontMetrics;
    b.direction = option.direction;
    b.state = QStyle::State_Enabled | (pressed ? QStyle::State_Sunken : QStyle::State_Raised);
    b.text = option.fontMetrics.elidedText(opt.text, Qt::ElideRight, b.rect.width() - 6);
    styleOf(option)->drawControl(QStyle::CE_PushButton, &b, painter, option.widget);
}

QSize ButtonCellDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize s = QStyledItemDelegate::sizeHint(option, index);
    return QSize(s.width() + 8, s.height() + 6);
}

// ---------------------------------------------------------------- check boxes

void CheckBoxDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    paintBackground(painter, opt);

    QStyle *style = styleOf(option);
    const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, option.widget);
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, option.widget);
    QStyleOptionButton box;
    box.rect = QRect(option.rect.x() + (option.rect.width() - w) / 2, option.rect.y() + (option.rect.height() - h) / 2,
                     w, h);
    box.palette = option.palette;
    box.direction = option.direction;
    const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    box.state = ticked ? QStyle::State_On : QStyle::State_Off;
    if (index.flags() & Qt::ItemIsUserCheckable)
        box.state |= QStyle::State_Enabled;
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, option.widget);
}

bool CheckBoxDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                   const QModelIndex &index)
{
    const Qt::ItemFlags f = index.flags();
    if (!(f & Qt::ItemIsUserCheckable) || !(f & Qt::ItemIsEnabled))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto *m = static_cast<QMouseEvent *>(event);
        if (m->button() != Qt::LeftButton || !option.rect.contains(m->position().toPoint()))
            return false;
        break;
    }
    case QEvent::MouseButtonDblClick:
        return true;   // the second click of a double click toggles on its release
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        break;
    }
    default:
        return false;
    }
    const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, int(ticked ? Qt::Unchecked : Qt::Checked), Qt::CheckStateRole);
}

// ---------------------------------------------------------------- numbers

QWidget *NumberCellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    Q_UNUSED(option);
    Q_UNUSED(index);
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setValidator(new NumberInputValidator(options_, editor));
    editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editor->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    SetImeOpen(editor, false);
    return editor;
}

void NumberCellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *box = qobject_cast<QLineEdit *>(editor);
    if (!box)
        return;
    box->setText(index.data(Qt::EditRole).toString());
    box->selectAll();
}

void NumberCellDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QLineEdit *>(editor))
        model->setData(index, box->text(), Qt::EditRole);
}
