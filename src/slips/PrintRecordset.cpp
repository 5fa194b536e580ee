#include "slips/PrintRecordset.h"

#include "store/Database.h"

#include <algorithm>

PrintRecordset::PrintRecordset(Database &db, const QString &sql)
{
    Recordset rs = db.queryReadOnly(sql);
    read(rs);
}

PrintRecordset::PrintRecordset(Recordset &rs)
{
    read(rs);
}

void PrintRecordset::read(Recordset &rs)
{
    const int n = rs.fieldCount();
    for (int i = 0; i < n; ++i) {
        // The first of two equal names wins, as in the result set itself.
        const QString name = rs.fieldName(i).toUpper();
        if (!columns_.contains(name))
            columns_.insert(name, i);
    }
    for (; !rs.eof(); rs.moveNext()) {
        std::vector<QVariant> row;
        row.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            row.push_back(rs.field(i));
        rows_.push_back(std::move(row));
    }
    rs.close();
}

void PrintRecordset::moveNext()
{
    if (current_ < rows_.size())
        ++current_;
}

QVariant PrintRecordset::field(const QString &name) const
{
    if (eof())
        return QVariant();
    const auto it = columns_.constFind(name.toUpper());
    return it == columns_.constEnd() ? QVariant() : rows_[current_][size_t(*it)];
}

QString PrintRecordset::text(const QString &name) const
{
    const QVariant v = field(name);
    return v.isNull() ? QString() : v.toString();
}

bool PrintRecordset::hasColumn(const QString &name) const
{
    return columns_.contains(name.toUpper());
}

void PrintRecordset::release()
{
    rows_.clear();
    current_ = 0;
}
