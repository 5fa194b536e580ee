#include "ui/GridModel.h"

#include "store/DbError.h"

namespace {

Qt::Alignment horizontal(GridAlign a)
{
    switch (a) {
    case GridAlign::Centre:
        return Qt::AlignHCenter;
    case GridAlign::Right:
        return Qt::AlignRight;
    case GridAlign::Left:
    case GridAlign::Default:
        break;
    }
    return Qt::AlignLeft;
}

} // namespace

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

void GridModel::setGridData(GridData data)
{
    beginResetModel();
    data_ = std::move(data);
    endResetModel();
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : data_.rowCount();
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : data_.columnCount();
}

bool GridModel::valid(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() < data_.rowCount()
        && index.column() < data_.columnCount();
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!valid(index))
        return QVariant();
    const GridColumn &c = data_.column(index.column());
    const QString &text = data_.text(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
        if (c.checkBox)
            return QVariant();
        return formatGridText(text, c.format);
    case Qt::EditRole:
        return text;
    case Qt::CheckStateRole:
        if (!c.checkBox)
            return QVariant();
        return int(isTickedText(text) ? Qt::Checked : Qt::Unchecked);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(horizontal(c.align) | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= data_.columnCount())
            return QVariant();
        if (role == Qt::DisplayRole)
            return data_.column(section).caption;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return QVariant();
    }
    if (role == Qt::DisplayRole && section >= 0 && section < data_.rowCount())
        return section + 1;
    return QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!valid(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const GridColumn &c = data_.column(index.column());
    if (!c.readOnly)
        f |= c.checkBox ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
    return f;
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!valid(index))
        return false;
    const GridColumn &c = data_.column(index.column());
    if (c.readOnly)
        return false;
    if (c.checkBox && role == Qt::CheckStateRole) {
        store(index.row(), index.column(), tickText(value.toInt() == Qt::Checked), true);
        return true;
    }
    if (!c.checkBox && role == Qt::EditRole) {
        store(index.row(), index.column(), value.toString(), true);
        return true;
    }
    return false;
}

void GridModel::store(int row, int column, const QString &text, bool byOperator)
{
    if (data_.text(row, column) == text)
        return;
    data_.setText(row, column, text);
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i);
    if (byOperator)
        emit cellEdited(row, column);
}

QString GridModel::text(int row, const QString &caption) const
{
    const int c = columnOf(caption);
    if (c < 0)
        throw DbError(3265, QStringLiteral("項目 '%1' が見つかりません。").arg(caption));
    return data_.text(row, c);
}

void GridModel::setText(int row, int column, const QString &text)
{
    store(row, column, text, false);
}

void GridModel::appendRow(const QStringList &texts)
{
    const int row = data_.rowCount();
    beginInsertRows(QModelIndex(), row, row);
    data_.appendRow(texts);
    endInsertRows();
}

bool GridModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count <= 0 || row < 0 || row + count > data_.rowCount())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    for (int i = 0; i < count; ++i)
        data_.removeRow(row);
    endRemoveRows();
    return true;
}

void GridModel::swapRows(int a, int b)
{
    if (a == b)
        return;
    data_.swapRows(a, b);
    const int last = data_.columnCount() - 1;
    if (last < 0)
        return;
    emit dataChanged(index(a, 0), index(a, last));
    emit dataChanged(index(b, 0), index(b, last));
}

void GridModel::clearRows()
{
    if (data_.rowCount() == 0)
        return;
    beginRemoveRows(QModelIndex(), 0, data_.rowCount() - 1);
    data_.clearRows();
    endRemoveRows();
}

void GridModel::setColumnReadOnly(int column, bool readOnly)
{
    if (data_.column(column).readOnly == readOnly)
        return;
    data_.column(column).readOnly = readOnly;
    if (data_.rowCount() > 0)
        emit dataChanged(index(0, column), index(data_.rowCount() - 1, column));
}

void GridModel::setAllReadOnly(bool readOnly)
{
    for (int c = 0; c < data_.columnCount(); ++c)
        setColumnReadOnly(c, readOnly);
}
