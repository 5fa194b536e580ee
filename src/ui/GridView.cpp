#include "ui/GridView.h"

#include "ui/GridDelegates.h"
#include "ui/InputHelpers.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

QColor blend(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(float(a.redF() * share + b.redF() * (1 - share)),
                            float(a.greenF() * share + b.greenF() * (1 - share)),
                            float(a.blueF() * share + b.blueF() * (1 - share)));
}

// The full-width character a 9-point screen font draws 180 twips wide.
constexpr double TwipsPerFullWidthChar = 180.0;

// Room around a cell's text: the item view's text margins and the grid
// line; a button cell adds its frame and the button's own margins; a
// caption the header section's margins.
constexpr int CellPadding = 10;
constexpr int ButtonPadding = 22;
constexpr int CaptionPadding = 14;
// Rows measured when a list is loaded: the longest value of a list of
// thousands of rows is found in its first rows as a rule (the same kinds
// of values repeat), and measuring every row of a big list would stall the
// screen.
constexpr int MeasuredRows = 2000;
// A column fitted to a long value stops here, so that one long name cannot
// push every other column out of a 1280-pixel window; the text beyond is
// elided.
constexpr int MaxFittedWidth = 480;

} // namespace

GridView::GridView(QWidget *parent)
    : QTableView(parent),
      model_(new GridModel(this)),
      buttonDelegate_(new ButtonCellDelegate(this)),
      checkDelegate_(new CheckBoxDelegate(this)),
      numberDelegate_(new NumberCellDelegate(this))
{
    setModel(model_);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(DoubleClicked | AnyKeyPressed);
    // Tab leaves the grid for the next control, as on every other screen control.
    setTabKeyNavigation(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    SetImeOpen(this, false);

    connect(model_, &QAbstractItemModel::modelReset, this, &GridView::applyColumns);
    // Rows added and cells stamped by the screen ("出力済み", a date) widen
    // their columns as a load does.
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { fitColumns(first, last); });
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) { fitColumns(from.row(), to.row()); });
    connect(model_, &GridModel::cellEdited, this, &GridView::cellEdited);
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { onFocusChanged(now); });
    applyFocusLook(false);
}

int GridView::pixelsForTwips(int twips, int fullWidthCharPixels)
{
    return qRound(twips * fullWidthCharPixels / TwipsPerFullWidthChar);
}

int GridView::pixelsForTwips(int twips) const
{
    // Most cells hold half-width digits, which the screens' font drew half
    // as wide as a full-width character; a font with wider Latin digits
    // needs the columns widened to match, or dates and amounts get cut.
    const QFontMetrics fm = fontMetrics();
    int em = qMax(fm.horizontalAdvance(QChar(0x3042)), 2 * fm.horizontalAdvance(QLatin1Char('0')));   // あ
    if (em <= 0)
        em = fm.height();
    return pixelsForTwips(twips, em);
}

void GridView::applyColumns()
{
    const int n = model_->columnCount();
    for (int c = n; c < delegatedColumns_; ++c)
        setItemDelegateForColumn(c, nullptr);
    for (int c = 0; c < n; ++c) {
        const GridColumn &col = model_->column(c);
        setColumnWidth(c, fittedWidth(c, 0, qMin(model_->rowCount(), MeasuredRows) - 1));
        setColumnHidden(c, !col.visible);
        QAbstractItemDelegate *d = nullptr;
        if (col.button)
            d = buttonDelegate_;
        else if (col.checkBox)
            d = checkDelegate_;
        else if (col.format == GridFormat::Whole || col.format == GridFormat::TwoDecimals)
            d = numberDelegate_;
        setItemDelegateForColumn(c, d);
    }
    delegatedColumns_ = n;
}

int GridView::fittedWidth(int column, int firstRow, int lastRow) const
{
    const GridColumn &col = model_->column(column);
    const int alias = pixelsForTwips(col.width);
    if (!col.visible)
        return alias;
    int content = horizontalHeader()->fontMetrics().horizontalAdvance(col.caption) + CaptionPadding;
    if (!col.checkBox) {
        const QFontMetrics fm = fontMetrics();
        const int padding = col.button ? ButtonPadding : CellPadding;
        for (int row = qMax(firstRow, 0); row <= lastRow && row < model_->rowCount(); ++row) {
            const QString shown = model_->data(model_->index(row, column), Qt::DisplayRole).toString();
            if (!shown.isEmpty())
                content = qMax(content, fm.horizontalAdvance(shown) + padding);
        }
    }
    return qMax(alias, qMin(content, MaxFittedWidth));
}

void GridView::fitColumns(int firstRow, int lastRow)
{
    if (lastRow - firstRow >= MeasuredRows)
        lastRow = firstRow + MeasuredRows - 1;
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (isColumnHidden(c))
            continue;
        const int w = fittedWidth(c, firstRow, lastRow);
        if (w > columnWidth(c))
            setColumnWidth(c, w);
    }
}

// ---------------------------------------------------------------- rows and cells

int GridView::currentRow() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

int GridView::firstShownColumn() const
{
    for (int c = 0; c < model_->columnCount(); ++c)
        if (!isColumnHidden(c) && (!editableOnly_ || model_->rowCount() == 0 || isEditableCell(0, c)))
            return c;
    return model_->columnCount() > 0 ? 0 : -1;
}

void GridView::setCurrentRow(int row)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex cur = currentIndex();
    const int column = (cur.isValid() && !isColumnHidden(cur.column())) ? cur.column() : firstShownColumn();
    setCurrentCell(row, column);
}

void GridView::setCurrentCell(int row, int column)
{
    const QModelIndex i = model_->index(row, column);
    if (i.isValid())
        setCurrentIndex(i);
}

QString GridView::currentText(int column) const
{
    const int row = currentRow();
    return row < 0 ? QString() : model_->text(row, column);
}

QString GridView::currentText(const QString &caption) const
{
    const int row = currentRow();
    return row < 0 ? QString() : model_->text(row, caption);
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    const int now = current.isValid() ? current.row() : -1;
    const int before = previous.isValid() ? previous.row() : -1;
    if (now != before)
        emit currentRowChanged(now, before);
}

void GridView::setEditableColumnsOnly(bool on)
{
    editableOnly_ = on;
}

QModelIndex GridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex moved = QTableView::moveCursor(action, modifiers);
    if (!editableOnly_ || !moved.isValid())
        return moved;
    const QModelIndex cur = currentIndex();
    const int row = moved.row();
    const int from = cur.isValid() ? cur.column() : -1;
    int step = 0;
    if (action == MoveLeft || action == MovePrevious)
        step = -1;
    else if (action == MoveRight || action == MoveNext)
        step = 1;
    if (step != 0 && from >= 0) {
        for (int c = from + step; c >= 0 && c < model_->columnCount(); c += step)
            if (isEditableCell(row, c))
                return model_->index(row, c);
        return model_->index(row, from);   // nothing editable that way: stay
    }
    const int c = nearestEditableColumn(row, from >= 0 ? from : moved.column());
    return c >= 0 ? model_->index(row, c) : moved;
}

bool GridView::isEditableCell(int row, int column) const
{
    return !isColumnHidden(column)
        && (model_->flags(model_->index(row, column)) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable));
}

int GridView::nearestEditableColumn(int row, int column) const
{
    const int n = model_->columnCount();
    for (int d = 0; d < n; ++d) {
        if (column - d >= 0 && column - d < n && isEditableCell(row, column - d))
            return column - d;
        if (column + d < n && isEditableCell(row, column + d))
            return column + d;
    }
    return -1;
}

// ---------------------------------------------------------------- buttons

bool GridView::isButton(const QModelIndex &index) const
{
    return index.isValid() && index.column() < model_->columnCount() && model_->column(index.column()).button;
}

void GridView::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex i = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && isButton(i)) {
        pressedButton_ = i;
        viewport()->update(visualRect(i));
    }
    QTableView::mousePressEvent(event);
    if (editableOnly_ && currentIndex().isValid()) {
        const QModelIndex cur = currentIndex();
        const int c = nearestEditableColumn(cur.row(), cur.column());
        if (c >= 0 && c != cur.column())
            setCurrentCell(cur.row(), c);
    }
}

void GridView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPersistentModelIndex pressed = pressedButton_;
    pressedButton_ = QPersistentModelIndex();
    if (pressed.isValid())
        viewport()->update(visualRect(pressed));
    const bool click = pressed.isValid() && event->button() == Qt::LeftButton
        && indexAt(event->position().toPoint()) == pressed;
    const int row = pressed.row();
    const int column = pressed.column();
    QTableView::mouseReleaseEvent(event);
    // Last, because the screen's answer to a button may reload this grid.
    if (click)
        emit buttonClicked(row, column);
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    // Operators press Enter on a button as readily as Space; on any other
    // cell Enter goes on to the window (its default button, its own keys).
    const int key = event->key();
    const bool press =
        key == Qt::Key_Space || key == Qt::Key_Select || key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool plain = event->modifiers() == Qt::NoModifier
        || (key == Qt::Key_Enter && event->modifiers() == Qt::KeypadModifier);
    if (press && plain && isButton(currentIndex()) && state() != EditingState) {
        event->accept();
        emit buttonClicked(currentIndex().row(), currentIndex().column());
        return;
    }
    QTableView::keyPressEvent(event);
}

// ---------------------------------------------------------------- focus look

void GridView::focusInEvent(QFocusEvent *event)
{
    SetImeOpen(this, false);
    QTableView::focusInEvent(event);
}

void GridView::onFocusChanged(QWidget *now)
{
    // Focus going to another window (a message box) or to nowhere (the
    // window deactivated) leaves this grid the one worked in.
    if (!now || now->window() != window())
        return;
    const bool inside = now == this || isAncestorOf(now);
    if (inside == gridFocus_)
        return;
    gridFocus_ = inside;
    applyFocusLook(inside);
    if (inside)
        emit focusEntered();
    else
        emit focusLeft();
}

void GridView::applyFocusLook(bool focused)
{
    const QPalette sys = QApplication::palette(this);
    cellColour_ = sys.color(focused ? QPalette::Base : QPalette::Button);
    deadColour_ = focused ? focusedDeadArea() : unfocusedDeadArea();
    QPalette pal = palette();
    pal.setColor(QPalette::Base, cellColour_);
    if (focused) {
        pal.setColor(QPalette::Highlight, sys.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::HighlightedText, sys.color(QPalette::Active, QPalette::HighlightedText));
    } else {
        // The current row stays visible, quieter than in the grid worked in.
        pal.setColor(QPalette::Highlight, blend(sys.color(QPalette::Active, QPalette::Highlight), cellColour_, 0.35));
        pal.setColor(QPalette::HighlightedText, sys.color(QPalette::Active, QPalette::Text));
    }
    setPalette(pal);
    viewport()->update();
}

void GridView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    // The area beyond the last column and row carries the look's second colour.
    const QRect vp = viewport()->rect();
    const int right = horizontalHeader()->length() - horizontalHeader()->offset();
    const int bottom = verticalHeader()->length() - verticalHeader()->offset();
    QPainter p(viewport());
    if (right < vp.width())
        p.fillRect(QRect(right, 0, vp.width() - right, vp.height()), deadColour_);
    if (bottom < vp.height())
        p.fillRect(QRect(0, bottom, qMin(right, vp.width()), vp.height() - bottom), deadColour_);
}
