#pragma once
// The model of every list grid: the text array that LoadGrid fills, shown
// column by column as the aliases describe. Screens read rows back from it
// by column (hidden "H" columns carry the keys) and change cells they
// stamp; the operator's own edits (a tick, a corrected quantity) are
// announced by cellEdited so that a screen can write them through.

#include "store/GridColumns.h"

#include <QAbstractTableModel>

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    // A new load: columns and rows replaced.
    void setGridData(GridData data);
    const GridData &gridData() const { return data_; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // DisplayRole: the text as its column shows it (check boxes show none);
    // EditRole: the text as the array holds it; CheckStateRole: check-box
    // columns only; TextAlignmentRole: by the column's type.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Captions, always centred.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // The operator's edits: EditRole on an editable column, CheckStateRole
    // on an editable check-box column (stored as "-1" or "0").
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    const GridColumn &column(int c) const { return data_.column(c); }
    // The first column with that caption, or -1.
    int columnOf(const QString &caption) const { return data_.indexOf(caption); }
    QString text(int row, int column) const { return data_.text(row, column); }
    // The text in the column of that caption; DbError 3265 when the grid
    // has no such column (a query and its screen out of step).
    QString text(int row, const QString &caption) const;
    QStringList rowTexts(int row) const { return data_.row(row); }

    // Changes by the screen itself (a stamp written after printing); no
    // cellEdited, whatever the column's read-only state.
    void setText(int row, int column, const QString &text);
    void appendRow(const QStringList &texts);
    void swapRows(int a, int b);
    // Zero rows, the columns kept.
    void clearRows();

    // Screens that open some columns for editing, or close all of them.
    void setColumnReadOnly(int column, bool readOnly);
    void setAllReadOnly(bool readOnly);

signals:
    void cellEdited(int row, int column);

private:
    bool valid(const QModelIndex &index) const;
    void store(int row, int column, const QString &text, bool byOperator);

    GridData data_;
};
