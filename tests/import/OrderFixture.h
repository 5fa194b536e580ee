#pragma once
// Order-file records written from field values, so that a test states
// which field holds what and never counts bytes itself.

#include "store/OrderLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include "support/QtPrint.h"

#include <initializer_list>
#include <ostream>
#include <span>
#include <utility>


class OrderRecord {
public:
    // A record of the kind with every field blank but its kind letter
    // (which may be given in lower case or as any other byte).
    static OrderRecord header(char kind = 'A');
    static OrderRecord slip(char kind = 'B');
    static OrderRecord line(char kind = 'D');
    // A record of no known kind (a trailer), laid out like a line.
    static OrderRecord other(char kind);

    // Sets a field to `value` in code page 932, padded with blanks; a value
    // wider than the field fails the test.
    OrderRecord &set(const char *column, const QString &value);
    OrderRecord &set(std::initializer_list<std::pair<const char *, QString>> values);
    // Sets a field to raw bytes (damaged input), padded with blanks.
    OrderRecord &setBytes(const char *column, const QByteArray &bytes);

    // The 128 bytes.
    const QByteArray &bytes() const { return bytes_; }

private:
    OrderRecord(std::span<const OrderField> layout, char kind);
    int offsetOf(const char *column, int *width) const;

    std::span<const OrderField> layout_;
    QByteArray bytes_;
};

// A file header with the fields the confirmation shows.
OrderRecord fileHeader(const QString &date, const QString &time, const QString &slips, const QString &lines);

// Records joined with `lineEnd` after each one (and none after the last
// when `endAfterLast` is false).
QByteArray orderFile(const QList<OrderRecord> &records, const QByteArray &lineEnd = "\r\n",
                     bool endAfterLast = true);
QByteArray joinLines(const QList<QByteArray> &lines, const QByteArray &lineEnd = "\r\n", bool endAfterLast = true);
