#pragma once
// The rows a print run walks: the slip headers to print, or the order
// groups whose assortment lists to print. The caller opens it with its
// statement; the print run reads it from its current row to its end.
//
// The rows are read when it is opened. A slip run stamps each slip it
// prints in the very table the rows come from, and a result set still being
// stepped through while its rows are rewritten may skip or repeat rows; a
// read-ahead copy walks exactly the rows the statement chose.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <vector>

class Database;
class Recordset;

class PrintRecordset {
public:
    PrintRecordset() = default;
    // Runs `sql` on `db` and keeps every row.
    PrintRecordset(Database &db, const QString &sql);
    explicit PrintRecordset(Recordset &rs);

    bool eof() const { return current_ >= rows_.size(); }
    void moveNext();
    // Rows from the current one to the end.
    int remaining() const { return int(rows_.size() - std::min(current_, rows_.size())); }
    int size() const { return int(rows_.size()); }
    // The current row's position, counting from 0.
    int position() const { return int(current_); }

    // Of the current row, by column name without regard to case; Null (and
    // a column the statement did not select) as a null QVariant.
    QVariant field(const QString &name) const;
    // Null as empty text.
    QString text(const QString &name) const;
    bool hasColumn(const QString &name) const;

    // Drops every row ("set to nothing").
    void release();

private:
    void read(Recordset &rs);

    QHash<QString, int> columns_;  // upper-case name → position
    std::vector<std::vector<QVariant>> rows_;
    size_t current_ = 0;
};
