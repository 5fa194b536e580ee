#pragma once
// The grid convention of the list screens: a list query names each output
// column caption + type letter + five-digit width ("管理NoB00900": heading
// 管理No, type B, 900 twips), and the loader keeps every value as text in a
// rows × columns array that the grid shows and the screen reads back by
// column. This half is free of widgets; the grid itself lives with the
// screens.

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

// The three parts of a column alias. A name too short to hold a type letter
// and a width, or whose last five characters are not all digits, does not
// follow the convention: its caption is the whole name and it has no letter
// (so the column stays hidden).
struct GridAlias {
    QString caption;
    QChar letter;     // null when the name is not an alias
    int width = 0;    // twips
};

GridAlias parseGridAlias(const QString &fieldName);

// How the text of a column is shown. The patterns are those of the type
// letters: "#,##0", "#,##0.00", "##00/00/00", "##00年00月00日", "00:00:00".
enum class GridFormat { None, Whole, TwoDecimals, DateSlashed, DateKanji, Time };
enum class GridAlign { Default, Left, Centre, Right };

// Which loader describes the columns: the one every list screen uses, or
// the reduced one of the import list viewer (its columns are all shown and
// editable, its dates written with 年月日, and it knows fewer letters).
enum class GridLoader { Standard, ImportList };

struct GridColumn {
    QString name;      // the field name as the query gave it
    QString caption;
    QChar letter;
    int width = 0;     // twips
    GridAlign align = GridAlign::Default;
    GridFormat format = GridFormat::None;
    bool readOnly = false;
    bool visible = false;
    // Key columns ("B", "d") carry a button in every cell; the screen acts
    // when it is pressed.
    bool button = false;
    // Check-box columns ("b") hold a flag text: "-1" ticked, "0" not.
    bool checkBox = false;
};

GridColumn describeGridColumn(const QString &fieldName, GridLoader loader = GridLoader::Standard);

// The text shown for `text` in a column of `format`. A text that is not a
// number is shown as it is, as is every text of a column without format.
QString formatGridText(const QString &text, GridFormat format);

// A field value as the array keeps it: Null and empty text become empty
// text, numbers their plain decimal text (15 significant digits for reals).
QString gridValueText(const QVariant &value);

// Flag texts of check-box cells. A cell counts as ticked when it holds a
// number other than zero (the flag convention writes "-1") or "True".
bool isTickedText(const QString &text);
inline QString tickText(bool ticked)
{
    return ticked ? QStringLiteral("-1") : QStringLiteral("0");
}

// The in-memory array behind one grid: the column descriptions and the rows
// of texts. Every row holds exactly one text per column.
class GridData {
public:
    GridData() = default;
    explicit GridData(QList<GridColumn> columns) : columns_(std::move(columns)) {}

    int rowCount() const { return int(rows_.size()); }
    int columnCount() const { return int(columns_.size()); }

    const QList<GridColumn> &columns() const { return columns_; }
    const GridColumn &column(int c) const { return columns_.at(c); }
    GridColumn &column(int c) { return columns_[c]; }
    // The first column with that caption, or -1.
    int indexOf(const QString &caption) const;

    const QString &text(int row, int column) const { return rows_.at(row).at(column); }
    void setText(int row, int column, const QString &text) { rows_[row][column] = text; }
    const QStringList &row(int row) const { return rows_.at(row); }

    // A row with fewer texts than columns is filled up with empty texts,
    // one with more is cut to the columns.
    void appendRow(QStringList texts);
    void insertRow(int position, QStringList texts);
    void removeRow(int row) { rows_.removeAt(row); }
    void swapRows(int a, int b) { rows_.swapItemsAt(a, b); }
    // Zero rows, the columns kept (a list emptied until the row above is chosen again).
    void clearRows() { rows_.clear(); }

private:
    QStringList fitted(QStringList texts) const;

    QList<GridColumn> columns_;
    QList<QStringList> rows_;
};

// Runs `sql` (read-only) and returns its columns described by their aliases
// and every row as texts. Throws DbError on a query error; nothing is
// returned half-filled.
GridData loadGridData(Database &db, const QString &sql, GridLoader loader = GridLoader::Standard);
