#pragma once
// Workbooks made from the templates under COR: a copied template is opened,
// filled cell by cell, finished (column widths, borders, pivot table, number
// style, protection) and saved in place. The package is an Office Open XML
// workbook (.xlsx) whatever its file name says: the templates are such
// packages and a workbook is saved in the format it was read in. (The
// callers name their files ".xls"; LibreOffice goes by the content, Excel
// asks once before opening a file whose name and content disagree.)
//
// Long sheets: rows added below the template's own rows, top down, leave
// memory as the next ones come (they wait in a temporary file until the
// save), so a sheet of a million lines takes the memory of a few rows.
// Going back to such a row (writing, reading or styling it) reads them all
// back in: it works, at the cost of that memory. New texts are shared
// through the workbook's shared-string table up to a bound, later ones are
// written into their cells.
//
// Every failure throws DbError with a number and a Japanese description, as
// the spreadsheet application's automation errors used to reach the callers:
//   5    invalid call (a password with characters the legacy hash cannot take)
//   6    overflow (a number that is not finite)
//   9    a worksheet position or name that the workbook does not have
//   53   the workbook file does not exist
//   75   the file cannot be read or saved
//   1004 anything else the workbook refuses: a damaged package, a cell or
//        range outside the sheet, an unknown pivot table or style

#include "store/DbError.h"

#include <QString>

#include <memory>

namespace WorkbookErr {
constexpr int InvalidCall = 5;
constexpr int SubscriptOutOfRange = 9;
constexpr int Refused = 1004;
} // namespace WorkbookErr

// The value of one cell as the workbook holds it. A formula cell gives its
// last computed value.
struct CellValue {
    enum class Type { Empty, Text, Number, Boolean, Error };
    Type type = Type::Empty;
    QString text;      // Text: the text; Error: the error code ("#N/A")
    double number = 0; // Number: the value; Boolean: 1 or 0

    static CellValue ofText(const QString &t) { return {Type::Text, t, 0}; }
    static CellValue ofNumber(double n) { return {Type::Number, {}, n}; }
    bool operator==(const CellValue &) const = default;
};

class Workbook;

// A worksheet of an open workbook. It is a handle: cheap to copy, valid while
// its Workbook lives. Rows and columns are numbered from 1, as the callers
// count them; column ranges are written as on a sheet ("A:K", "C:IV") and
// cell ranges likewise ("A12:J12").
class Worksheet {
public:
    QString name() const;

    // An empty text clears the cell's value; its formatting stays.
    void setText(int row, int column, const QString &text);
    void setNumber(int row, int column, double value);
    CellValue cell(int row, int column) const;

    // Fits each column of the range to its widest cell, counting a
    // full-width character as two and a half-width one (half-width katakana
    // included) as one, scaled by the cell's font size. A column with no
    // value keeps its width.
    void autoFitColumns(const QString &columns);

    // A continuous thin line under the bottom row of the range. Each cell
    // keeps its other formatting (font, fill, number format, other edges).
    void drawBottomBorder(const QString &cells);

    // Gives the whole columns the named cell style: the columns' default
    // format and every existing cell in them. "Comma [0]" (thousands
    // separators, no decimals) is added to the workbook when missing; any
    // other name must be a style the workbook already has.
    void setColumnStyle(const QString &columns, const QString &styleName);

    // Points the pivot table `name` on this sheet at the current extent of
    // its source data (same heading row and columns, down to the last row
    // with a value) and has the spreadsheet recompute it when the file is
    // opened.
    void refreshPivotTable(const QString &name);

    // Protects the sheet (cells, drawing objects, scenarios) with the legacy
    // password hash.
    void protect(const QString &password);

private:
    friend class Workbook;
    Worksheet(Workbook *book, int index) : book_(book), index_(index) {}
    Workbook *book_;
    int index_;
};

class Workbook {
public:
    // Reads the workbook at `path` (the copied template). Throws 53 when it
    // does not exist, 75 when it cannot be read, 1004 when it is no workbook.
    explicit Workbook(const QString &path);
    ~Workbook();
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    QString path() const;

    // Worksheets only (chart sheets do not count), in the workbook's order.
    int sheetCount() const;
    Worksheet sheet(int position);
    // Sheet names compare without regard to case, as in the spreadsheet.
    Worksheet sheet(const QString &name);

    // Writes the workbook back to its path: into a temporary file beside it,
    // then renamed over it, so a failure leaves the file as it was.
    void save();

    // The 16-bit sheet-protection hash both Excel and LibreOffice honour, as
    // four upper-case hex digits; empty for an empty password.
    static QString legacyPasswordHash(const QString &password);

private:
    friend class Worksheet;
    struct Impl;
    std::unique_ptr<Impl> d;
};
