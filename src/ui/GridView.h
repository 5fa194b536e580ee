#pragma once
// The grid every list screen uses. It owns its GridModel (filled by
// LoadGrid), lays the columns out from their aliases, gives each column
// type its delegate, and shows which grid has the focus: the focused grid is
// drawn in the window colours, the others in the button face, and the
// focused grid takes keys with the input method off.

#include "ui/GridModel.h"

#include <QPersistentModelIndex>
#include <QTableView>

class ButtonCellDelegate;
class CheckBoxDelegate;
class NumberCellDelegate;

class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    GridModel *gridModel() const { return model_; }

    // The column with that caption, or -1.
    int columnOf(const QString &caption) const { return model_->columnOf(caption); }
    // The current row, or -1 when the grid has no rows or none is current.
    int currentRow() const;
    // Makes `row` current, keeping the current column when there is one
    // (otherwise the first shown column).
    void setCurrentRow(int row);
    void setCurrentCell(int row, int column);
    // The text of the current row; empty text when there is no current row.
    QString currentText(int column) const;
    QString currentText(const QString &caption) const;

    // Whether the grid is the one the operator works in (its focus look).
    bool hasGridFocus() const { return gridFocus_; }

    // With this on, the cursor moves only between columns the operator may
    // edit (the correction screen's quantity and price).
    void setEditableColumnsOnly(bool on);

    // The button cell being held down, for drawing it pressed.
    QPersistentModelIndex pressedButton() const { return pressedButton_; }

    // A width in twips as pixels of this grid's font. The screens were laid
    // out for a 9-point font, in which a full-width character (two
    // half-width digits) is 180 twips wide.
    static int pixelsForTwips(int twips, int fullWidthCharPixels);
    int pixelsForTwips(int twips) const;

    // The width a column opens with: its alias width, widened to its
    // caption and to the longest value of rows `firstRow` to `lastRow` as
    // shown (button cells with their frame), up to a limit that keeps the
    // other columns in the window. Columns are never made narrower than
    // their alias says.
    int fittedWidth(int column, int firstRow, int lastRow) const;

    // The colours of the two looks: cells, and the area beyond the last row
    // and column.
    static QColor focusedDeadArea() { return QColor(224, 224, 224); }
    static QColor unfocusedDeadArea() { return QColor(212, 208, 200); }

signals:
    // A button cell ("B", "d") pressed by a click, the space bar or Enter.
    void buttonClicked(int row, int column);
    // The current row moved (-1: none).
    void currentRowChanged(int row, int previous);
    // The focus came into the grid from another control of the same window,
    // or left it for one. Editing a cell and opening a message box over the
    // window do not count: the grid is still the one worked in.
    void focusEntered();
    void focusLeft();
    // Forwarded from the model: the operator changed a cell.
    void cellEdited(int row, int column);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void applyColumns();
    // Widens the shown columns that rows `firstRow` to `lastRow` no longer fit.
    void fitColumns(int firstRow, int lastRow);
    void onFocusChanged(QWidget *now);
    void applyFocusLook(bool focused);
    bool isButton(const QModelIndex &index) const;
    int firstShownColumn() const;
    bool isEditableCell(int row, int column) const;
    // The editable shown column nearest to `column` in `row`, or -1.
    int nearestEditableColumn(int row, int column) const;

    GridModel *model_;
    ButtonCellDelegate *buttonDelegate_;
    CheckBoxDelegate *checkDelegate_;
    NumberCellDelegate *numberDelegate_;
    int delegatedColumns_ = 0;
    bool gridFocus_ = false;
    bool editableOnly_ = false;
    QPersistentModelIndex pressedButton_;
    QColor cellColour_;
    QColor deadColour_;
};
