#pragma once
// The parts the workbook component's sources share: limits and element
// orders of the format, cell and column references, the texts and numbers
// of cells, and the state behind Workbook (Workbook::Impl). Not for users
// of the component: they include output/Workbook.h.

#include "output/Workbook.h"
#include "output/WorkbookPackage.h"

#include <QHash>
#include <QString>
#include <QTemporaryFile>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wbimpl {


// The sheet size of the .xlsx format.
inline constexpr int MaxRows = 1048576;
inline constexpr int MaxColumns = 16384;
// A cell holds at most this many characters.
inline constexpr qsizetype MaxCellText = 32767;
// Rows below the sheet's own rows are written out once this many newer
// ones are held: a caller fills a sheet top down, and a few rows of slack
// let it go back to the last ones (a border under the last line).
inline constexpr int RowsHeld = 16;
// The shared-string table grows to this many items; further new texts are
// written into their cells, so a sheet of a million lines does not keep a
// million texts in memory.
inline constexpr size_t SharedStringLimit = 20000;

inline constexpr std::string_view WorksheetOrder[] = {
    "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr",
    "sheetProtection", "protectedRanges", "scenarios", "autoFilter", "sortState", "dataConsolidate",
    "customSheetViews", "mergeCells", "phoneticPr", "conditionalFormatting", "dataValidations",
    "hyperlinks", "printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks",
    "customProperties", "cellWatches", "ignoredErrors", "smartTags", "drawing", "legacyDrawing",
    "legacyDrawingHF", "picture", "oleObjects", "controls", "webPublishItems", "tableParts", "extLst"};
inline constexpr std::string_view StylesOrder[] = {"numFmts", "fonts", "fills", "borders", "cellStyleXfs",
                                            "cellXfs", "cellStyles", "dxfs", "tableStyles", "colors",
                                            "extLst"};
inline constexpr std::string_view CellOrder[] = {"f", "v", "is", "extLst"};
inline constexpr std::string_view BorderOrder[] = {"start", "end", "left", "right", "top",
                                            "bottom", "diagonal", "vertical", "horizontal"};

inline constexpr const char *StylesContentType = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr const char *StylesRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";

// The formatting records a workbook without a styles part is read with.
inline constexpr const char *MinimalStyles =
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="IPAゴシック"/><family val="3"/><charset val="128"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

[[noreturn]] inline void refuse(const QString &description)
{
    throw DbError(WorkbookErr::Refused, description);
}


// --- Cell and column references (WorkbookCells.cpp) -------------------------

struct ColumnRange {
    int first;
    int last;
};

struct CellRange {
    int row1, column1, row2, column2;
    bool contains(int row, int column) const
    {
        return row >= row1 && row <= row2 && column >= column1 && column <= column2;
    }
};

int columnNumber(std::string_view letters);
std::string columnLetters(int column);
std::string cellName(int row, int column);
// "A1", "$A$1" (the row may be absent when `rowOptional`: "A", "$A").
bool parseCell(std::string_view ref, int &row, int &column, bool rowOptional = false);
// The column of a cell element by its reference.
int columnOf(pugi::xml_node c);
// "A:K", "C:IV", "B".
ColumnRange parseColumns(const QString &text);
bool parseCellRange(std::string_view s, CellRange &r);
CellRange parseCells(const QString &text);
void checkCell(int row, int column);

// --- Texts and numbers (WorkbookCells.cpp) -----------------------------------

// Characters XML 1.0 cannot carry, and a carriage return (which an XML
// reader turns into a line feed), are written as _xHHHH_; a literal "_xHHHH_"
// in the text gets its underscore escaped the same way so it reads back as
// written.
bool isEscapeAt(const QString &s, qsizetype i);
QString encodeXstring(const QString &text);
QString decodeXstring(const QString &text);
void writeTextElement(pugi::xml_node t, const QString &text);
// The text of a shared-string item or an inline string: the plain text or
// the runs of rich text, without the phonetic (furigana) runs.
QString itemText(pugi::xml_node item);
std::string numberText(double value);
QString groupedInteger(double value);
// A number as the General format shows it: at most eleven characters.
QString generalNumber(double value);
// Shown text of a number under the built-in formats a template uses.
QString shownNumber(double value, int numFmtId);
// The column width that fits `units` half-width characters: the margins on
// both sides of a cell take about one more.
double fittedWidth(double units);
std::string widthText(double width);

// Rows written out of the sheet's document, in row order, into a
// temporary file (on Linux one without a name, which a killed run cannot
// leave behind), with what the finishing steps need to know of them: the
// widest value per column, the last row with a value per column, the
// extent of their cells.
struct RowSpool {
    QTemporaryFile file;
    std::string buffer; // written to the file in large pieces
    int lastRow = 0;
    int firstCellRow = 0, lastCellRow = 0, minColumn = 0, maxColumn = 0;
    std::map<int, double> units;
    std::map<int, int> lastValueRow;
    std::vector<CellRange> merged; // cells left out of the widths
    qint64 size() const { return file.size() + qint64(buffer.size()); }
    void flush();
};

struct SheetState {
    QString name;
    std::string part;
    bool loaded = false;
    bool edited = false;
    pugi::xml_node root;
    pugi::xml_node sheetData;
    std::map<int, pugi::xml_node> rows;
    // Rows after the last one the sheet was read with are new; while they
    // are written in order they go out to the spool and the document holds
    // only the newest few. Touching a row already written out reads them
    // all back and the sheet is kept whole from then on.
    int lastReadRow = 0;
    bool streaming = true;
    int rowsHeld = 0;
    std::unique_ptr<RowSpool> spool;
};


} // namespace wbimpl

// The state behind a Workbook: the package, the sheets as loaded, shared
// strings and styles. Core in Workbook.cpp, styles and columns in
// WorkbookStyles.cpp, pivot extents in WorkbookPivot.cpp.
struct Workbook::Impl {
    QString path;
    WorkbookPackage pkg;
    std::string workbookPart;
    std::vector<wbimpl::SheetState> sheets;

    bool sstLoaded = false;
    std::string sstPart;
    pugi::xml_node sstRoot; // once edited
    std::vector<QString> sstTexts;
    QHash<QString, int> sstIndex;

    std::string stylesPart;
    // Number format and font scale per cell format, for the widths; the
    // formats are only ever appended to, so an index keeps its meaning.
    std::map<int, std::pair<int, double>> xfMetrics;
    // A value written over a formula leaves the calculation chain pointing
    // at a cell without one, which Excel reports as damage.
    bool formulaDropped = false;

    void open(const QString &file);
    wbimpl::SheetState &sheet(int index);
    pugi::xml_node edit(wbimpl::SheetState &s);
    pugi::xml_node findCell(const wbimpl::SheetState &s, int row, int column) const;
    pugi::xml_node cellFor(wbimpl::SheetState &s, int row, int column);
    void clearValue(pugi::xml_node c);
    CellValue value(pugi::xml_node c);
    int columnStyle(const wbimpl::SheetState &s, int column) const;

    void loadSharedStrings();
    int sharedString(const QString &text);
    bool mayShare(const QString &text) const;

    // Rows written out and read back (WorkbookRows.cpp).
    void reach(wbimpl::SheetState &s, int row);
    void reachColumns(wbimpl::SheetState &s, int first, int last);
    void readBack(wbimpl::SheetState &s);
    void rowAdded(wbimpl::SheetState &s, int row);
    void writeOut(wbimpl::SheetState &s, std::map<int, pugi::xml_node>::iterator row);
    // The width of the cell's shown value in half-width characters at the
    // default font, or `known` when it cannot be wider; nothing when empty.
    std::optional<double> shownUnits(pugi::xml_node c, double known = 0);
    std::vector<wbimpl::CellRange> mergedRanges(const wbimpl::SheetState &s) const;

    pugi::xml_node styleSheet(bool forEdit);
    pugi::xml_node styleCollection(const char *local);
    int numFmtOf(int xf);
    double fontSizeOf(int xf);

    std::vector<pugi::xml_node> columnsFor(wbimpl::SheetState &s, int first, int last, bool single);
    double defaultColumnWidth(const wbimpl::SheetState &s) const;
    int sheetIndexByName(const QString &name) const;
    wbimpl::CellRange dataExtent(const QString &sheetName, wbimpl::CellRange source, const QString &pivot);
    void updateDimension(wbimpl::SheetState &s);
};
