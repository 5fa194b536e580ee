#include "OrderFixture.h"

#include "store/Cp932.h"

#include <gtest/gtest.h>

#include <cstring>

OrderRecord::OrderRecord(std::span<const OrderField> layout, char kind)
    : layout_(layout), bytes_(OrderLayout::RecordLength, ' ')
{
    bytes_[0] = kind;
}

OrderRecord OrderRecord::header(char kind)
{
    return OrderRecord(OrderLayout::H1, kind);
}

OrderRecord OrderRecord::slip(char kind)
{
    return OrderRecord(OrderLayout::H2, kind);
}

OrderRecord OrderRecord::line(char kind)
{
    return OrderRecord(OrderLayout::BD, kind);
}

OrderRecord OrderRecord::other(char kind)
{
    return OrderRecord(OrderLayout::BD, kind);
}

int OrderRecord::offsetOf(const char *column, int *width) const
{
    int offset = 0;
    for (const OrderField &f : layout_) {
        if (std::strcmp(f.name, column) == 0) {
            *width = f.width;
            return offset;
        }
        offset += f.width;
    }
    ADD_FAILURE() << "no field " << column << " in this record kind";
    *width = 0;
    return -1;
}

OrderRecord &OrderRecord::setBytes(const char *column, const QByteArray &bytes)
{
    int width = 0;
    const int offset = offsetOf(column, &width);
    if (offset < 0)
        return *this;
    if (bytes.size() > width) {
        ADD_FAILURE() << column << " holds " << width << " bytes, not " << bytes.size();
        return *this;
    }
    bytes_.replace(offset, width, bytes + QByteArray(width - bytes.size(), ' '));
    return *this;
}

OrderRecord &OrderRecord::set(const char *column, const QString &value)
{
    return setBytes(column, cp932::encode(value));
}

OrderRecord &OrderRecord::set(std::initializer_list<std::pair<const char *, QString>> values)
{
    for (const auto &[column, value] : values)
        set(column, value);
    return *this;
}

OrderRecord fileHeader(const QString &date, const QString &time, const QString &slips, const QString &lines)
{
    return OrderRecord::header().set({{"OLOPDT", date}, {"OLOPTM", time}, {"OLPAGE", slips}, {"OLLINE", lines}});
}

QByteArray joinLines(const QList<QByteArray> &lines, const QByteArray &lineEnd, bool endAfterLast)
{
    QByteArray out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (endAfterLast || i + 1 < lines.size())
            out += lineEnd;
    }
    return out;
}

QByteArray orderFile(const QList<OrderRecord> &records, const QByteArray &lineEnd, bool endAfterLast)
{
    QList<QByteArray> lines;
    for (const OrderRecord &r : records)
        lines << r.bytes();
    return joinLines(lines, lineEnd, endAfterLast);
}
