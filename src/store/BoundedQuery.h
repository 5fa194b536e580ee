#pragma once
// A read-only bounded query: one reading statement written outside the
// program (an export definition), run where it cannot change anything,
// reach anything but the program's tables, or take the machine down.
//
// The statement runs on a connection of its own that can only read: the
// same database files opened read-only and query-only, with the engine's
// defensive mode on and its tokenizer and extension interfaces off, and an
// authorizer that lets a statement read the program's tables and call the
// ordinary scalar, aggregate and window functions only (no pragmas, no
// ATTACH, no table-valued or virtual-table functions). Rows come one at a
// time, never all in memory, and the query stops with error 3035 when it
// passes its row count, its running time or its largest value.
//
// A server engine gives the same promises with a read-only transaction and
// a statement timeout.

#include <QtGlobal>
#include <QVariant>

#include <optional>

namespace DbErr {
// The old engine's "system resource exceeded": a query passed one of its limits.
constexpr int QueryLimit = 3035;
} // namespace DbErr

struct QueryLimits {
    qint64 maxRows = 5'000'000;
    qint64 maxSeconds = 600;
    qint64 maxValueBytes = 1'000'000;
};

class BoundedQuery {
public:
    virtual ~BoundedQuery() = default;

    // Moves to the next row (the first on the first call); false after the
    // last. Throws DbError when the statement fails or passes a limit.
    virtual bool next() = 0;
    virtual int columnCount() const = 0;
    // Whether a result column is a table column declared as text (true),
    // one declared otherwise (false), or an expression (nullopt), whose kind
    // only its values tell.
    virtual std::optional<bool> declaredText(int column) const = 0;
    // The current row's value: Null as a null QVariant, integers as
    // qlonglong, reals as double, texts as QString, blobs as QByteArray.
    virtual QVariant value(int column) const = 0;
};
