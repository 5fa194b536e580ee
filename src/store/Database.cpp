#include "store/Database.h"

namespace {

[[noreturn]] void noCurrentRecord()
{
    throw DbError(3021, QStringLiteral("カレント レコードがありません。"));
}

} // namespace

Recordset::Recordset(std::unique_ptr<RowSource> rows) : rows_(std::move(rows)), eof_(false)
{
    step();
}

void Recordset::close()
{
    rows_.reset();
    eof_ = true;
}

void Recordset::step()
{
    if (!rows_) {
        eof_ = true;
        return;
    }
    bool more = false;
    try {
        more = rows_->next();
    } catch (...) {
        close();
        throw;
    }
    eof_ = !more;
}

void Recordset::moveNext()
{
    if (!eof_)
        step();
}

int Recordset::fieldCount() const
{
    return rows_ ? rows_->fieldCount() : 0;
}

QString Recordset::fieldName(int index) const
{
    return rows_ ? rows_->fieldName(index) : QString();
}

int Recordset::indexOf(const QString &name) const
{
    if (!rows_)
        return -1;
    if (names_.isEmpty()) {
        for (int i = rows_->fieldCount() - 1; i >= 0; --i)   // the first column of a name wins
            names_.insert(rows_->fieldName(i).toUpper(), i);
    }
    return names_.value(name.toUpper(), -1);
}

void Recordset::checkField(int index) const
{
    if (!rows_ || eof_)
        noCurrentRecord();
    if (index < 0 || index >= rows_->fieldCount())
        throw DbError(3265, QStringLiteral("要求された名前または序数に対応する項目がコレクションで見つかりません。"));
}

QVariant Recordset::field(int index) const
{
    checkField(index);
    return rows_->value(index);
}

QByteArrayView Recordset::utf8(int index) const
{
    checkField(index);
    return rows_->utf8(index);
}

QVariant Recordset::field(const QString &name) const
{
    const int i = indexOf(name);
    if (i < 0)
        throw DbError(3265, QStringLiteral("項目 '%1' が見つかりません。").arg(name));
    return field(i);
}

QString Recordset::text(const QString &name) const
{
    return field(name).toString();
}

QString Recordset::text(int index) const
{
    return field(index).toString();
}

void Statement::bindText(int position, const QString &value)
{
    const QByteArray u = value.toUtf8();
    source_->bindUtf8(position, u.constData(), int(u.size()));
}

QVariant Database::scalar(const QString &sql, std::initializer_list<QVariant> params)
{
    Recordset rs = query(sql, params);
    if (rs.eof() || rs.fieldCount() == 0)
        return QVariant();
    return rs.field(0);
}
