#include "output/Workbook.h"

#include "output/WorkbookPackage.h"
#include "store/Cp932.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

using wbxml::child;
using wbxml::children;
using wbxml::setAttr;

namespace {

// The sheet size of the .xlsx format.
constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;
// A cell holds at most this many characters.
constexpr qsizetype MaxCellText = 32767;

constexpr std::string_view WorksheetOrder[] = {
    "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr",
    "sheetProtection", "protectedRanges", "scenarios", "autoFilter", "sortState", "dataConsolidate",
    "customSheetViews", "mergeCells", "phoneticPr", "conditionalFormatting", "dataValidations",
    "hyperlinks", "printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks",
    "customProperties", "cellWatches", "ignoredErrors", "smartTags", "drawing", "legacyDrawing",
    "legacyDrawingHF", "picture", "oleObjects", "controls", "webPublishItems", "tableParts", "extLst"};
constexpr std::string_view StylesOrder[] = {"numFmts", "fonts", "fills", "borders", "cellStyleXfs",
                                            "cellXfs", "cellStyles", "dxfs", "tableStyles", "colors",
                                            "extLst"};
constexpr std::string_view CellOrder[] = {"f", "v", "is", "extLst"};
constexpr std::string_view BorderOrder[] = {"start", "end", "left", "right", "top",
                                            "bottom", "diagonal", "vertical", "horizontal"};

constexpr const char *StylesContentType = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
constexpr const char *StylesRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";

// The formatting records a workbook without a styles part is read with.
constexpr const char *MinimalStyles =
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="IPAゴシック"/><family val="3"/><charset val="128"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

[[noreturn]] void refuse(const QString &description)
{
    throw DbError(WorkbookErr::Refused, description);
}

// --- Cell and column references ---------------------------------------------

int columnNumber(std::string_view letters)
{
    if (letters.empty() || letters.size() > 3)
        return 0;
    int n = 0;
    for (char ch : letters) {
        const char c = char(std::toupper(static_cast<unsigned char>(ch)));
        if (c < 'A' || c > 'Z')
            return 0;
        n = n * 26 + (c - 'A' + 1);
    }
    return n <= MaxColumns ? n : 0;
}

std::string columnLetters(int column)
{
    std::string out;
    while (column > 0) {
        const int rem = (column - 1) % 26;
        out.insert(out.begin(), char('A' + rem));
        column = (column - 1) / 26;
    }
    return out;
}

std::string cellName(int row, int column)
{
    return columnLetters(column) + std::to_string(row);
}

// "A1", "$A$1" (the row may be absent when `rowOptional`: "A", "$A").
bool parseCell(std::string_view ref, int &row, int &column, bool rowOptional = false)
{
    size_t i = 0;
    if (i < ref.size() && ref[i] == '$')
        ++i;
    const size_t letters = i;
    while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])))
        ++i;
    column = columnNumber(ref.substr(letters, i - letters));
    if (i < ref.size() && ref[i] == '$')
        ++i;
    if (i == ref.size() && rowOptional) {
        row = 0;
        return column > 0;
    }
    row = 0;
    const auto r = std::from_chars(ref.data() + i, ref.data() + ref.size(), row);
    return column > 0 && r.ec == std::errc() && r.ptr == ref.data() + ref.size() && row >= 1 && row <= MaxRows;
}

// The column of a cell element by its reference.
int columnOf(pugi::xml_node c)
{
    int row = 0, column = 0;
    parseCell(c.attribute("r").value(), row, column);
    return column;
}

struct ColumnRange {
    int first;
    int last;
};

// "A:K", "C:IV", "B".
ColumnRange parseColumns(const QString &text)
{
    const std::string s = wbxml::utf8(text.trimmed());
    const auto colon = s.find(':');
    int row = 0;
    ColumnRange r{0, 0};
    const bool ok = parseCell(s.substr(0, colon), row, r.first, true) && row == 0
                    && (colon == std::string::npos
                            ? (r.last = r.first, true)
                            : parseCell(s.substr(colon + 1), row, r.last, true) && row == 0);
    if (!ok)
        refuse(QStringLiteral("列の範囲 \"%1\" が正しくありません。").arg(text));
    if (r.first > r.last)
        std::swap(r.first, r.last);
    return r;
}

struct CellRange {
    int row1, column1, row2, column2;
    bool contains(int row, int column) const
    {
        return row >= row1 && row <= row2 && column >= column1 && column <= column2;
    }
};

bool parseCellRange(std::string_view s, CellRange &r)
{
    const auto colon = s.find(':');
    if (!parseCell(s.substr(0, colon), r.row1, r.column1))
        return false;
    if (colon == std::string_view::npos) {
        r.row2 = r.row1;
        r.column2 = r.column1;
    } else if (!parseCell(s.substr(colon + 1), r.row2, r.column2)) {
        return false;
    }
    if (r.row1 > r.row2)
        std::swap(r.row1, r.row2);
    if (r.column1 > r.column2)
        std::swap(r.column1, r.column2);
    return true;
}

CellRange parseCells(const QString &text)
{
    CellRange r{};
    if (!parseCellRange(wbxml::utf8(text.trimmed()), r))
        refuse(QStringLiteral("セル範囲 \"%1\" が正しくありません。").arg(text));
    return r;
}

void checkCell(int row, int column)
{
    if (row < 1 || row > MaxRows || column < 1 || column > MaxColumns)
        refuse(QStringLiteral("セルの位置が正しくありません。(行 %1, 列 %2)").arg(row).arg(column));
}

// --- Texts and numbers ------------------------------------------------------

// Characters XML 1.0 cannot carry, and a carriage return (which an XML
// reader turns into a line feed), are written as _xHHHH_; a literal "_xHHHH_"
// in the text gets its underscore escaped the same way so it reads back as
// written.
bool isEscapeAt(const QString &s, qsizetype i)
{
    if (i + 7 > s.size() || s[i] != u'_' || s[i + 1] != u'x' || s[i + 6] != u'_')
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k)
        if (!isxdigit(s[k].unicode() < 0x80 ? s[k].toLatin1() : 'g'))
            return false;
    return true;
}

QString encodeXstring(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool control = (c < 0x20 && c != u'\t' && c != u'\n') || c == 0xFFFE || c == 0xFFFF;
        if (control || isEscapeAt(text, i))
            out += QStringLiteral("_x%1_").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper().replace(u'X', u'x');
        else
            out += text[i];
    }
    return out;
}

QString decodeXstring(const QString &text)
{
    if (!text.contains(u"_x"))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isEscapeAt(text, i)) {
            out += QChar(char16_t(text.mid(i + 2, 4).toUInt(nullptr, 16)));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

void writeTextElement(pugi::xml_node t, const QString &text)
{
    t.remove_attribute("xml:space");
    t.text().set(wbxml::utf8(encodeXstring(text)).c_str());
    static const QRegularExpression edgeSpace(QStringLiteral("^\\s|\\s$"));
    if (edgeSpace.match(text).hasMatch())
        setAttr(t, "xml:space", "preserve");
}

// The text of a shared-string item or an inline string: the plain text or
// the runs of rich text, without the phonetic (furigana) runs.
QString itemText(pugi::xml_node item)
{
    QString out;
    for (pugi::xml_node n : item.children()) {
        const std::string_view name = wbxml::localName(n);
        if (name == "t") {
            out += wbxml::text(n.text().get());
        } else if (name == "r") {
            for (pugi::xml_node t : children(n, "t"))
                out += wbxml::text(t.text().get());
        }
    }
    return decodeXstring(out);
}

std::string numberText(double value)
{
    if (value == 0)
        value = 0; // no "-0"
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

QString groupedInteger(double value)
{
    const double rounded = std::round(std::fabs(value));
    QString digits = QString::number(rounded, 'f', 0);
    for (qsizetype pos = digits.size() - 3; pos > 0; pos -= 3)
        digits.insert(pos, u',');
    return (value < 0 && rounded != 0 ? QStringLiteral("-") : QString()) + digits;
}

// A number as the General format shows it: at most eleven characters.
QString generalNumber(double value)
{
    QString s = wbxml::text(numberText(value).c_str());
    for (int precision = 10; s.size() > 11 && precision > 1; --precision)
        s = QString::number(value, 'g', precision);
    return s;
}

// Shown text of a number under the built-in formats a template uses.
QString shownNumber(double value, int numFmtId)
{
    switch (numFmtId) {
    case 1:
        return QString::number(std::round(value), 'f', 0);
    case 2:
        return QString::number(value, 'f', 2);
    case 3:
    case 37:
    case 38:
        return groupedInteger(value);
    case 4:
        return groupedInteger(std::trunc(value)) + QString::number(std::fabs(std::fmod(value, 1.0)), 'f', 2).mid(1);
    default:
        return generalNumber(value);
    }
}

// The column width that fits `units` half-width characters: the margins on
// both sides of a cell take about one more.
double fittedWidth(double units)
{
    const double width = std::ceil((units + 1.0) * 256.0) / 256.0;
    return std::min(width, 255.0);
}

std::string widthText(double width)
{
    return numberText(width);
}

struct SheetState {
    QString name;
    std::string part;
    bool loaded = false;
    bool edited = false;
    pugi::xml_node root;
    pugi::xml_node sheetData;
    std::map<int, pugi::xml_node> rows;
};

} // namespace

// ---------------------------------------------------------------------------

struct Workbook::Impl {
    QString path;
    WorkbookPackage pkg;
    std::string workbookPart;
    std::vector<SheetState> sheets;

    bool sstLoaded = false;
    std::string sstPart;
    std::vector<QString> sstTexts;
    QHash<QString, int> sstIndex;

    std::string stylesPart;
    // A value written over a formula leaves the calculation chain pointing
    // at a cell without one, which Excel reports as damage.
    bool formulaDropped = false;

    void open(const QString &file);
    SheetState &sheet(int index);
    pugi::xml_node edit(SheetState &s);
    pugi::xml_node findCell(const SheetState &s, int row, int column) const;
    pugi::xml_node cellFor(SheetState &s, int row, int column);
    void clearValue(pugi::xml_node c);
    CellValue value(pugi::xml_node c);
    int columnStyle(const SheetState &s, int column) const;

    void loadSharedStrings();
    int sharedString(const QString &text);

    pugi::xml_node styleSheet(bool forEdit);
    pugi::xml_node styleCollection(const char *local);
    int numFmtOf(int xf);
    double fontSizeOf(int xf);

    std::vector<pugi::xml_node> columnsFor(SheetState &s, int first, int last, bool single);
    double defaultColumnWidth(const SheetState &s) const;
    int sheetIndexByName(const QString &name) const;
    CellRange dataExtent(const QString &sheetName, CellRange source, const QString &pivot);
    void updateDimension(SheetState &s);
};

void Workbook::Impl::open(const QString &file)
{
    path = file;
    pkg.load(file);
    workbookPart = pkg.related("", "officeDocument");
    if (workbookPart.empty() || !pkg.contains(workbookPart))
        refuse(QStringLiteral("ブックの形式が正しくありません。(%1)").arg(file));

    const pugi::xml_document &doc = pkg.xml(workbookPart);
    const std::string idName = wbxml::relIdName(doc);
    const auto rels = pkg.relationships(workbookPart);
    for (pugi::xml_node s : children(child(doc.document_element(), "sheets"), "sheet")) {
        const std::string id = s.attribute(idName.c_str()).value();
        for (const auto &rel : rels) {
            if (rel.id == id && std::string_view(rel.type).ends_with("/worksheet") && pkg.contains(rel.target)) {
                SheetState st;
                st.name = wbxml::text(s.attribute("name").value());
                st.part = rel.target;
                sheets.push_back(std::move(st));
            }
        }
    }
}

SheetState &Workbook::Impl::sheet(int index)
{
    SheetState &s = sheets[size_t(index)];
    if (s.loaded)
        return s;
    pugi::xml_document &doc = pkg.xml(s.part);
    s.root = doc.document_element();
    s.sheetData = child(s.root, "sheetData");
    if (!s.sheetData)
        s.sheetData = wbxml::insertInOrder(s.root, "sheetData", WorksheetOrder);
    // Row and cell references may be left out, meaning "the next one"; they
    // are filled in so that every lookup can go by reference.
    int lastRow = 0;
    for (pugi::xml_node row : children(s.sheetData, "row")) {
        int r = row.attribute("r").as_int(0);
        if (r <= lastRow) {
            r = lastRow + 1;
            setAttr(row, "r", r);
        }
        lastRow = r;
        s.rows[r] = row;
        int lastColumn = 0;
        for (pugi::xml_node c : children(row, "c")) {
            int column = columnOf(c);
            if (column <= lastColumn) {
                column = lastColumn + 1;
                setAttr(c, "r", cellName(r, column).c_str());
            }
            lastColumn = column;
        }
    }
    s.loaded = true;
    return s;
}

pugi::xml_node Workbook::Impl::edit(SheetState &s)
{
    pkg.edit(s.part);
    s.edited = true;
    return s.root;
}

pugi::xml_node Workbook::Impl::findCell(const SheetState &s, int row, int column) const
{
    const auto it = s.rows.find(row);
    if (it == s.rows.end())
        return {};
    for (pugi::xml_node c : children(it->second, "c")) {
        const int col = columnOf(c);
        if (col == column)
            return c;
        if (col > column)
            break;
    }
    return {};
}

int Workbook::Impl::columnStyle(const SheetState &s, int column) const
{
    for (pugi::xml_node col : children(child(s.root, "cols"), "col"))
        if (col.attribute("min").as_int() <= column && column <= col.attribute("max").as_int())
            return col.attribute("style").as_int(0);
    return 0;
}

pugi::xml_node Workbook::Impl::cellFor(SheetState &s, int row, int column)
{
    checkCell(row, column);
    edit(s);
    pugi::xml_node rowNode;
    if (const auto it = s.rows.find(row); it != s.rows.end()) {
        rowNode = it->second;
    } else {
        const auto next = s.rows.upper_bound(row);
        rowNode = wbxml::insertChildBefore(s.sheetData, "row", next == s.rows.end() ? pugi::xml_node() : next->second);
        setAttr(rowNode, "r", row);
        s.rows.emplace(row, rowNode);
    }
    // The column span is only a hint for readers; a wrong one is worse than
    // none.
    rowNode.remove_attribute("spans");

    pugi::xml_node before;
    for (pugi::xml_node c : children(rowNode, "c")) {
        const int col = columnOf(c);
        if (col == column)
            return c;
        if (col > column) {
            before = c;
            break;
        }
    }
    if (!before)
        before = child(rowNode, "extLst");
    pugi::xml_node c = wbxml::insertChildBefore(rowNode, "c", before);
    setAttr(c, "r", cellName(row, column).c_str());
    // A new cell takes the row's format, else the column's, as it does when
    // typed into.
    const pugi::xml_attribute customFormat = rowNode.attribute("customFormat");
    const int style = customFormat.as_bool() ? rowNode.attribute("s").as_int(0) : columnStyle(s, column);
    if (style > 0)
        setAttr(c, "s", style);
    return c;
}

void Workbook::Impl::clearValue(pugi::xml_node c)
{
    if (pugi::xml_node f = child(c, "f")) {
        c.remove_child(f);
        formulaDropped = true;
    }
    while (pugi::xml_node v = child(c, "v"))
        c.remove_child(v);
    while (pugi::xml_node is = child(c, "is"))
        c.remove_child(is);
    c.remove_attribute("t");
    c.remove_attribute("cm");
    c.remove_attribute("vm");
}

CellValue Workbook::Impl::value(pugi::xml_node c)
{
    if (!c)
        return {};
    const std::string_view type = c.attribute("t").value();
    if (type == "inlineStr") {
        const pugi::xml_node is = child(c, "is");
        return is ? CellValue::ofText(itemText(is)) : CellValue{};
    }
    const pugi::xml_node v = child(c, "v");
    if (!v)
        return {};
    const QString raw = wbxml::text(v.text().get());
    if (type == "s") {
        loadSharedStrings();
        bool ok = false;
        const int index = raw.toInt(&ok);
        if (!ok || index < 0 || size_t(index) >= sstTexts.size())
            refuse(QStringLiteral("ブックの形式が正しくありません。(共有文字列 %1)").arg(raw));
        return CellValue::ofText(sstTexts[size_t(index)]);
    }
    if (type == "str" || type == "d")
        return CellValue::ofText(decodeXstring(raw));
    if (type == "b")
        return {CellValue::Type::Boolean, {}, raw.trimmed() == u"1" || raw.trimmed() == u"true" ? 1.0 : 0.0};
    if (type == "e")
        return {CellValue::Type::Error, raw, 0};
    bool ok = false;
    const double number = raw.toDouble(&ok);
    if (!ok)
        refuse(QStringLiteral("ブックの形式が正しくありません。(数値 %1)").arg(raw));
    return CellValue::ofNumber(number);
}

void Workbook::Impl::loadSharedStrings()
{
    if (sstLoaded)
        return;
    sstLoaded = true;
    sstPart = pkg.related(workbookPart, "sharedStrings");
    if (sstPart.empty() || !pkg.contains(sstPart)) {
        sstPart.clear();
        return;
    }
    int index = 0;
    for (pugi::xml_node si : children(pkg.xml(sstPart).document_element(), "si")) {
        const QString text = itemText(si);
        sstTexts.push_back(text);
        // Only plain items can be shared with new cells; a rich-text item
        // would give them its formatting runs.
        const bool plain = children(si, "r").empty() && children(si, "rPh").empty();
        if (plain && !sstIndex.contains(text))
            sstIndex.insert(text, index);
        ++index;
    }
}

int Workbook::Impl::sharedString(const QString &text)
{
    pugi::xml_node root = pkg.edit(sstPart).document_element();
    int index;
    if (const auto it = sstIndex.constFind(text); it != sstIndex.cend()) {
        index = it.value();
    } else {
        pugi::xml_node si = wbxml::appendChild(root, "si");
        writeTextElement(wbxml::appendChild(si, "t"), text);
        index = int(sstTexts.size());
        sstTexts.push_back(text);
        sstIndex.insert(text, index);
        setAttr(root, "uniqueCount", (long long)sstTexts.size());
    }
    // The reference count is advisory; old references overwritten are not
    // subtracted.
    if (pugi::xml_attribute count = root.attribute("count"))
        count.set_value(count.as_llong() + 1);
    return index;
}

pugi::xml_node Workbook::Impl::styleSheet(bool forEdit)
{
    if (stylesPart.empty())
        stylesPart = pkg.related(workbookPart, "styles");
    if (stylesPart.empty() || !pkg.contains(stylesPart)) {
        if (!forEdit)
            return {};
        stylesPart = "xl/styles.xml";
        pkg.addXmlPart(stylesPart, StylesContentType).load_string(MinimalStyles, pugi::parse_default);
        pkg.addRelationship(workbookPart, StylesRelType, stylesPart);
    }
    return (forEdit ? pkg.edit(stylesPart) : pkg.xml(stylesPart)).document_element();
}

pugi::xml_node Workbook::Impl::styleCollection(const char *local)
{
    return wbxml::ensureChild(styleSheet(true), local, StylesOrder);
}

int Workbook::Impl::numFmtOf(int xf)
{
    const pugi::xml_node ss = styleSheet(false);
    const auto xfs = children(child(ss, "cellXfs"), "xf");
    return size_t(xf) < xfs.size() ? xfs[size_t(xf)].attribute("numFmtId").as_int(0) : 0;
}

double Workbook::Impl::fontSizeOf(int xf)
{
    const pugi::xml_node ss = styleSheet(false);
    const auto xfs = children(child(ss, "cellXfs"), "xf");
    const int fontId = size_t(xf) < xfs.size() ? xfs[size_t(xf)].attribute("fontId").as_int(0) : 0;
    const auto fonts = children(child(ss, "fonts"), "font");
    if (size_t(fontId) >= fonts.size())
        return 11;
    return child(fonts[size_t(fontId)], "sz").attribute("val").as_double(11);
}

// Appends `proto` to a collection of formatting records unless an equal one
// is there, so repeated calls do not grow the style sheet; returns its index.
static int appendUnique(pugi::xml_node collection, std::string_view itemLocal, pugi::xml_node proto)
{
    const std::string wanted = wbxml::print(proto);
    const auto items = children(collection, itemLocal);
    for (size_t i = 0; i < items.size(); ++i)
        if (wbxml::print(items[i]) == wanted)
            return int(i);
    collection.append_copy(proto);
    setAttr(collection, "count", (long long)(items.size() + 1));
    return int(items.size());
}

double Workbook::Impl::defaultColumnWidth(const SheetState &s) const
{
    const pugi::xml_node fmt = child(s.root, "sheetFormatPr");
    if (const pugi::xml_attribute w = fmt.attribute("defaultColWidth"))
        return w.as_double();
    // The base width is in characters of the default font's digit; a
    // default column adds the cell margins (5 pixels at a 7-pixel digit).
    const double base = fmt.attribute("baseColWidth").as_double(8);
    return std::trunc((base * 7 + 5) / 7 * 256) / 256;
}

// The <col> elements covering exactly [first, last], split from wider ones
// and added for columns that have none, so a width or style set on them
// touches no column outside the range. With `single`, one element per column.
std::vector<pugi::xml_node> Workbook::Impl::columnsFor(SheetState &s, int first, int last, bool single)
{
    pugi::xml_node root = edit(s);
    pugi::xml_node cols = child(root, "cols");
    if (!cols)
        cols = wbxml::insertInOrder(root, "cols", WorksheetOrder);

    struct Piece {
        int min, max;
        pugi::xml_node proto;
    };
    std::vector<Piece> pieces;
    const auto add = [&](int a, int b, pugi::xml_node proto, bool inRange) {
        if (a > b)
            return;
        if (inRange && single) {
            for (int i = a; i <= b; ++i)
                pieces.push_back({i, i, proto});
        } else {
            pieces.push_back({a, b, proto});
        }
    };
    for (pugi::xml_node col : children(cols, "col")) {
        const int mn = col.attribute("min").as_int();
        const int mx = col.attribute("max").as_int(mn);
        if (mx < first || mn > last) {
            add(mn, mx, col, false);
        } else {
            add(mn, first - 1, col, false);
            add(std::max(mn, first), std::min(mx, last), col, true);
            add(last + 1, mx, col, false);
        }
    }
    std::sort(pieces.begin(), pieces.end(), [](const Piece &a, const Piece &b) { return a.min < b.min; });
    std::vector<Piece> gaps;
    int next = first;
    for (const Piece &p : pieces) {
        if (p.max < first || p.min > last)
            continue;
        if (p.min > next)
            gaps.push_back({next, p.min - 1, {}});
        next = std::max(next, p.max + 1);
    }
    if (next <= last)
        gaps.push_back({next, last, {}});
    for (const Piece &g : gaps)
        add(g.min, g.max, {}, true);
    std::sort(pieces.begin(), pieces.end(), [](const Piece &a, const Piece &b) { return a.min < b.min; });

    pugi::xml_node rebuilt = root.insert_copy_after(cols, cols);
    for (pugi::xml_node col : children(rebuilt, "col"))
        rebuilt.remove_child(col);
    const std::string defaultWidth = widthText(defaultColumnWidth(s));
    std::vector<pugi::xml_node> inRange;
    for (const Piece &p : pieces) {
        pugi::xml_node col;
        if (p.proto) {
            col = rebuilt.append_copy(p.proto);
        } else {
            col = wbxml::appendChild(rebuilt, "col");
            setAttr(col, "min", p.min);
            setAttr(col, "max", p.max);
            setAttr(col, "width", defaultWidth.c_str());
        }
        setAttr(col, "min", p.min);
        setAttr(col, "max", p.max);
        if (p.min >= first && p.max <= last)
            inRange.push_back(col);
    }
    root.remove_child(cols);
    return inRange;
}

int Workbook::Impl::sheetIndexByName(const QString &name) const
{
    for (size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

// The source range of a pivot table grown or shrunk to its data: the same
// heading row and columns, down to the last row with a value in them. A
// source needs a row below its headings, so an empty one keeps one.
CellRange Workbook::Impl::dataExtent(const QString &sheetName, CellRange source, const QString &pivot)
{
    const int index = sheetIndexByName(sheetName);
    if (index < 0)
        refuse(QStringLiteral("ピボットテーブル \"%1\" の元データのワークシート \"%2\" がありません。").arg(pivot, sheetName));
    SheetState &s = sheet(index);
    int lastRow = source.row1;
    for (const auto &[r, rowNode] : s.rows) {
        if (r <= lastRow)
            continue;
        for (pugi::xml_node c : children(rowNode, "c")) {
            const int column = columnOf(c);
            if (column >= source.column1 && column <= source.column2 && value(c).type != CellValue::Type::Empty) {
                lastRow = r;
                break;
            }
        }
    }
    source.row2 = std::max(lastRow, source.row1 + 1);
    return source;
}

void Workbook::Impl::updateDimension(SheetState &s)
{
    int minRow = 0, maxRow = 0, minCol = 0, maxCol = 0;
    for (const auto &[r, rowNode] : s.rows) {
        const auto cells = children(rowNode, "c");
        if (cells.empty())
            continue;
        if (!minRow)
            minRow = r;
        maxRow = r;
        const int a = columnOf(cells.front());
        const int b = columnOf(cells.back());
        minCol = minCol ? std::min(minCol, a) : a;
        maxCol = std::max(maxCol, b);
    }
    std::string ref = "A1";
    if (minRow) {
        ref = cellName(minRow, minCol);
        if (maxRow != minRow || maxCol != minCol)
            ref += ":" + cellName(maxRow, maxCol);
    }
    setAttr(wbxml::ensureChild(s.root, "dimension", WorksheetOrder), "ref", ref.c_str());
}

// ---------------------------------------------------------------------------

Workbook::Workbook(const QString &path) : d(std::make_unique<Impl>())
{
    d->open(path);
}

Workbook::~Workbook() = default;

QString Workbook::path() const
{
    return d->path;
}

int Workbook::sheetCount() const
{
    return int(d->sheets.size());
}

Worksheet Workbook::sheet(int position)
{
    if (position < 1 || position > sheetCount())
        throw DbError(WorkbookErr::SubscriptOutOfRange,
                      QStringLiteral("インデックスが有効範囲にありません。(ワークシート %1)").arg(position));
    d->sheet(position - 1);
    return Worksheet(this, position - 1);
}

Worksheet Workbook::sheet(const QString &name)
{
    const int index = d->sheetIndexByName(name);
    if (index < 0)
        throw DbError(WorkbookErr::SubscriptOutOfRange,
                      QStringLiteral("インデックスが有効範囲にありません。(ワークシート \"%1\")").arg(name));
    d->sheet(index);
    return Worksheet(this, index);
}

void Workbook::save()
{
    for (SheetState &s : d->sheets)
        if (s.edited)
            d->updateDimension(s);
    if (d->formulaDropped) {
        // Excel rebuilds a missing calculation chain silently.
        for (const auto &rel : d->pkg.relationships(d->workbookPart)) {
            if (std::string_view(rel.type).ends_with("/calcChain")) {
                d->pkg.removePart(rel.target);
                d->pkg.removeRelationship(d->workbookPart, rel.id);
            }
        }
        d->formulaDropped = false;
    }
    const QByteArray bytes = d->pkg.serialize();

    const auto failed = [this](const QString &why) {
        return DbError(DbErr::PathAccess, QStringLiteral("ファイル %1 を保存できません。%2").arg(d->path, why));
    };
    const QFileInfo info(d->path);
    if (info.exists() && !info.isWritable())
        throw failed(QStringLiteral("読み取り専用です。"));
    // QSaveFile writes a temporary file in the same folder and renames it
    // over the target on commit; it never falls back to writing the target
    // directly, so a failure leaves the old file or none.
    QSaveFile file(d->path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw failed(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw failed(why);
    }
    if (!file.commit())
        throw failed(file.errorString());
}

QString Workbook::legacyPasswordHash(const QString &password)
{
    if (password.isEmpty())
        return {};
    // The hash works on bytes of the ANSI code page, which differs between
    // Excel and LibreOffice beyond ASCII; such a password might not open.
    if (password.size() > 255
        || std::any_of(password.begin(), password.end(), [](QChar c) { return c.unicode() > 0x7E || c.unicode() < 0x20; }))
        throw DbError(WorkbookErr::InvalidCall,
                      QStringLiteral("パスワードには 255 文字までの半角英数字と記号を指定してください。"));
    quint16 hash = 0;
    for (qsizetype i = password.size() - 1; i >= 0; --i) {
        hash = quint16(((hash >> 14) & 0x01) | ((hash << 1) & 0x7FFF));
        hash ^= password[i].unicode();
    }
    hash = quint16(((hash >> 14) & 0x01) | ((hash << 1) & 0x7FFF));
    hash ^= 0x8000 | ('N' << 8) | 'K';
    hash ^= quint16(password.size());
    return QStringLiteral("%1").arg(hash, 4, 16, QLatin1Char('0')).toUpper();
}

// ---------------------------------------------------------------------------

QString Worksheet::name() const
{
    return book_->d->sheets[size_t(index_)].name;
}

void Worksheet::setText(int row, int column, const QString &text)
{
    Workbook::Impl &d = *book_->d;
    if (text.size() > MaxCellText)
        refuse(QStringLiteral("セルに入る文字数 (%1) を超えています。(行 %2, 列 %3)").arg(MaxCellText).arg(row).arg(column));
    pugi::xml_node c = d.cellFor(d.sheet(index_), row, column);
    d.clearValue(c);
    if (text.isEmpty())
        return;
    d.loadSharedStrings();
    if (!d.sstPart.empty()) {
        setAttr(c, "t", "s");
        wbxml::insertInOrder(c, "v", CellOrder).text().set(d.sharedString(text));
    } else {
        setAttr(c, "t", "inlineStr");
        writeTextElement(wbxml::appendChild(wbxml::insertInOrder(c, "is", CellOrder), "t"), text);
    }
}

void Worksheet::setNumber(int row, int column, double value)
{
    Workbook::Impl &d = *book_->d;
    if (!std::isfinite(value))
        throw DbError(DbErr::Overflow, QStringLiteral("セルに書き込めない数値です。(行 %1, 列 %2)").arg(row).arg(column));
    pugi::xml_node c = d.cellFor(d.sheet(index_), row, column);
    d.clearValue(c);
    wbxml::insertInOrder(c, "v", CellOrder).text().set(numberText(value).c_str());
}

CellValue Worksheet::cell(int row, int column) const
{
    checkCell(row, column);
    Workbook::Impl &d = *book_->d;
    return d.value(d.findCell(d.sheet(index_), row, column));
}

void Worksheet::autoFitColumns(const QString &columns)
{
    Workbook::Impl &d = *book_->d;
    const ColumnRange range = parseColumns(columns);
    SheetState &s = d.sheet(index_);

    // Excel leaves merged cells out of a fit: their text spans several
    // columns.
    std::vector<CellRange> merged;
    for (pugi::xml_node m : children(child(s.root, "mergeCells"), "mergeCell")) {
        CellRange r{};
        if (parseCellRange(m.attribute("ref").value(), r) && (r.row1 != r.row2 || r.column1 != r.column2))
            merged.push_back(r);
    }

    const double defaultSize = d.fontSizeOf(0);
    std::map<int, double> scaleOf; // per cell format: font size against the default font
    std::map<int, double> units;   // per column with a value
    for (const auto &[r, rowNode] : s.rows) {
        for (pugi::xml_node c : children(rowNode, "c")) {
            const int column = columnOf(c);
            if (column < range.first || column > range.last)
                continue;
            if (std::any_of(merged.begin(), merged.end(),
                            [&, r = r](const CellRange &m) { return m.contains(r, column); }))
                continue;
            const CellValue v = d.value(c);
            const int xf = c.attribute("s").as_int(0);
            QString shown;
            switch (v.type) {
            case CellValue::Type::Empty:
                continue;
            case CellValue::Type::Text:
            case CellValue::Type::Error:
                shown = v.text;
                break;
            case CellValue::Type::Number:
                shown = shownNumber(v.number, d.numFmtOf(xf));
                break;
            case CellValue::Type::Boolean:
                shown = v.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
                break;
            }
            // The chain's code page gives the display width: a double-byte
            // character is full-width, a single byte (half-width katakana
            // too) half-width.
            qsizetype widest = 0;
            for (const QString &line : shown.split(u'\n'))
                widest = std::max(widest, cp932::byteLength(line));
            auto scale = scaleOf.find(xf);
            if (scale == scaleOf.end())
                scale = scaleOf.emplace(xf, defaultSize > 0 ? d.fontSizeOf(xf) / defaultSize : 1.0).first;
            double &u = units[column];
            u = std::max(u, double(widest) * scale->second);
        }
    }
    for (const auto &[column, u] : units) {
        for (pugi::xml_node col : d.columnsFor(s, column, column, true)) {
            setAttr(col, "width", widthText(fittedWidth(u)).c_str());
            setAttr(col, "customWidth", "1");
            setAttr(col, "bestFit", "1");
        }
    }
}

void Worksheet::drawBottomBorder(const QString &cells)
{
    Workbook::Impl &d = *book_->d;
    const CellRange range = parseCells(cells);
    SheetState &s = d.sheet(index_);
    pugi::xml_node borders = d.styleCollection("borders");
    pugi::xml_node cellXfs = d.styleCollection("cellXfs");

    pugi::xml_document scratch;
    std::map<int, int> withBorder; // a cell format and its copy with the line
    for (int column = range.column1; column <= range.column2; ++column) {
        pugi::xml_node c = d.cellFor(s, range.row2, column);
        const int old = c.attribute("s").as_int(0);
        auto done = withBorder.find(old);
        if (done == withBorder.end()) {
            const auto xfs = children(cellXfs, "xf");
            pugi::xml_node xf;
            if (size_t(old) < xfs.size()) {
                xf = scratch.append_copy(xfs[size_t(old)]);
            } else {
                xf = scratch.append_child(wbxml::qualified(cellXfs, "xf").c_str());
                for (const char *a : {"numFmtId", "fontId", "fillId", "xfId"})
                    setAttr(xf, a, 0LL);
            }
            const auto allBorders = children(borders, "border");
            const int oldBorder = xf.attribute("borderId").as_int(0);
            pugi::xml_node border = size_t(oldBorder) < allBorders.size()
                                              ? scratch.append_copy(allBorders[size_t(oldBorder)])
                                              : scratch.append_child(wbxml::qualified(borders, "border").c_str());
            pugi::xml_node bottom = child(border, "bottom");
            if (bottom)
                border.remove_child(bottom);
            bottom = wbxml::insertInOrder(border, "bottom", BorderOrder);
            setAttr(bottom, "style", "thin");
            setAttr(wbxml::appendChild(bottom, "color"), "indexed", "64"); // automatic colour

            setAttr(xf, "borderId", appendUnique(borders, "border", border));
            setAttr(xf, "applyBorder", "1");
            done = withBorder.emplace(old, appendUnique(cellXfs, "xf", xf)).first;
        }
        setAttr(c, "s", done->second);
    }
}

void Worksheet::setColumnStyle(const QString &columns, const QString &styleName)
{
    Workbook::Impl &d = *book_->d;
    const ColumnRange range = parseColumns(columns);
    SheetState &s = d.sheet(index_);

    // Built-in styles are found by their number as well, since Excel writes
    // them under the name of its user interface language ("桁区切り").
    static const QHash<QString, int> builtin = {{QStringLiteral("normal"), 0},
                                                {QStringLiteral("comma"), 3},
                                                {QStringLiteral("currency"), 4},
                                                {QStringLiteral("percent"), 5},
                                                {QStringLiteral("comma [0]"), 6},
                                                {QStringLiteral("currency [0]"), 7}};
    const int builtinId = builtin.value(styleName.trimmed().toLower(), -1);

    pugi::xml_node cellStyles = d.styleCollection("cellStyles");
    pugi::xml_node cellStyleXfs = d.styleCollection("cellStyleXfs");
    pugi::xml_node cellXfs = d.styleCollection("cellXfs");
    int styleXf = -1;
    for (pugi::xml_node cs : children(cellStyles, "cellStyle")) {
        const bool byName = wbxml::text(cs.attribute("name").value()).compare(styleName.trimmed(), Qt::CaseInsensitive) == 0;
        const pugi::xml_attribute id = cs.attribute("builtinId");
        if (byName || (builtinId >= 0 && id && id.as_int() == builtinId)) {
            styleXf = cs.attribute("xfId").as_int();
            break;
        }
    }
    if (styleXf < 0) {
        if (builtinId != 6)
            refuse(QStringLiteral("スタイル \"%1\" がありません。").arg(styleName));
        // Comma [0]: number format 3 ("#,##0") is built in and needs no
        // numFmt record.
        pugi::xml_node xf = wbxml::appendChild(cellStyleXfs, "xf");
        setAttr(xf, "numFmtId", 3LL);
        setAttr(xf, "fontId", 0LL);
        setAttr(xf, "fillId", 0LL);
        setAttr(xf, "borderId", 0LL);
        styleXf = int(children(cellStyleXfs, "xf").size()) - 1;
        setAttr(cellStyleXfs, "count", styleXf + 1LL);
        pugi::xml_node cs = wbxml::appendChild(cellStyles, "cellStyle");
        setAttr(cs, "name", "Comma [0]");
        setAttr(cs, "xfId", styleXf);
        setAttr(cs, "builtinId", 6LL);
        setAttr(cellStyles, "count", (long long)children(cellStyles, "cellStyle").size());
    }
    const auto styleXfs = children(cellStyleXfs, "xf");
    if (size_t(styleXf) >= styleXfs.size())
        refuse(QStringLiteral("スタイル \"%1\" の書式がありません。").arg(styleName));

    // Applying a style replaces the cell's whole format with the style's.
    pugi::xml_document scratch;
    pugi::xml_node xf = scratch.append_copy(styleXfs[size_t(styleXf)]);
    for (const char *flag : {"applyNumberFormat", "applyFont", "applyFill", "applyBorder", "applyAlignment",
                             "applyProtection", "xfId"})
        xf.remove_attribute(flag);
    setAttr(xf, "xfId", styleXf);
    setAttr(xf, "applyNumberFormat", "1");
    const int cellXf = appendUnique(cellXfs, "xf", xf);

    for (pugi::xml_node col : d.columnsFor(s, range.first, range.last, false))
        setAttr(col, "style", cellXf);
    for (const auto &[r, rowNode] : s.rows) {
        for (pugi::xml_node c : children(rowNode, "c")) {
            const int column = columnOf(c);
            if (column >= range.first && column <= range.last)
                setAttr(c, "s", cellXf);
        }
    }
}

void Worksheet::refreshPivotTable(const QString &name)
{
    Workbook::Impl &d = *book_->d;
    SheetState &s = d.sheet(index_);
    WorkbookPackage &pkg = d.pkg;

    std::string tablePart;
    for (const auto &rel : pkg.relationships(s.part)) {
        if (!rel.external && std::string_view(rel.type).ends_with("/pivotTable") && pkg.contains(rel.target)
            && wbxml::text(pkg.xml(rel.target).document_element().attribute("name").value()) == name) {
            tablePart = rel.target;
            break;
        }
    }
    if (tablePart.empty())
        refuse(QStringLiteral("ピボットテーブル \"%1\" がワークシート \"%2\" にありません。").arg(name, s.name));
    const std::string cachePart = pkg.related(tablePart, "pivotCacheDefinition");
    if (cachePart.empty() || !pkg.contains(cachePart))
        refuse(QStringLiteral("ピボットテーブル \"%1\" のキャッシュがありません。").arg(name));

    pugi::xml_document &cacheDoc = pkg.edit(cachePart);
    pugi::xml_node cache = cacheDoc.document_element();
    const pugi::xml_node cacheSource = child(cache, "cacheSource");
    pugi::xml_node source = child(cacheSource, "worksheetSource");
    const std::string_view sourceType = cacheSource.attribute("type").value();
    if (!source || (!sourceType.empty() && sourceType != "worksheet") || source.attribute(wbxml::relIdName(cacheDoc).c_str()))
        refuse(QStringLiteral("ピボットテーブル \"%1\" の元データはこのブックのセル範囲ではありません。").arg(name));

    if (source.attribute("ref")) {
        CellRange range{};
        if (!parseCellRange(source.attribute("ref").value(), range))
            refuse(QStringLiteral("ピボットテーブル \"%1\" の元データの範囲が正しくありません。").arg(name));
        const QString sheetName = source.attribute("sheet") ? wbxml::text(source.attribute("sheet").value()) : s.name;
        const CellRange extent = d.dataExtent(sheetName, range, name);
        setAttr(source, "ref", (cellName(extent.row1, extent.column1) + ":" + cellName(extent.row2, extent.column2)).c_str());
    } else {
        // The source is a defined name ("Data!$A$1:$L$9"): the name is moved.
        const std::string definedName = source.attribute("name").value();
        pugi::xml_node target;
        for (pugi::xml_node dn : children(child(pkg.xml(d.workbookPart).document_element(), "definedNames"), "definedName"))
            if (dn.attribute("name").value() == definedName && !dn.attribute("localSheetId"))
                target = dn;
        if (!target)
            refuse(QStringLiteral("ピボットテーブル \"%1\" の元データ \"%2\" がありません。").arg(name, wbxml::text(definedName.c_str())));
        const std::string refers = target.text().get();
        const auto bang = refers.rfind('!');
        QString sheetName = wbxml::text(refers.substr(0, bang == std::string::npos ? 0 : bang).c_str());
        if (sheetName.startsWith(u'\'') && sheetName.endsWith(u'\'') && sheetName.size() >= 2)
            sheetName = sheetName.mid(1, sheetName.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
        CellRange range{};
        if (bang == std::string::npos || !parseCellRange(refers.substr(bang + 1), range)) {
            // "$A$1:$L$9" is read by parseCell's '$' handling; anything else
            // (a formula, another name) cannot be followed.
            refuse(QStringLiteral("ピボットテーブル \"%1\" の元データの範囲が正しくありません。").arg(name));
        }
        const CellRange extent = d.dataExtent(sheetName, range, name);
        QString quoted = sheetName;
        quoted.replace(QStringLiteral("'"), QStringLiteral("''"));
        const std::string ref = "'" + wbxml::utf8(quoted) + "'!$" + columnLetters(extent.column1) + "$"
                                + std::to_string(extent.row1) + ":$" + columnLetters(extent.column2) + "$"
                                + std::to_string(extent.row2);
        pkg.edit(d.workbookPart);
        target.text().set(ref.c_str());
    }

    // The saved records describe the old data. Excel expects records unless
    // saveData is off, and rebuilds them on opening when refreshOnLoad is
    // set; LibreOffice always rebuilds from the source range.
    for (const auto &rel : pkg.relationships(cachePart)) {
        if (std::string_view(rel.type).ends_with("/pivotCacheRecords")) {
            pkg.removePart(rel.target);
            pkg.removeRelationship(cachePart, rel.id);
        }
    }
    cache.remove_attribute(wbxml::relIdName(cacheDoc).c_str());
    cache.remove_attribute("recordCount");
    setAttr(cache, "saveData", "0");
    setAttr(cache, "refreshOnLoad", "1");
}

void Worksheet::protect(const QString &password)
{
    Workbook::Impl &d = *book_->d;
    const QString hash = Workbook::legacyPasswordHash(password);
    SheetState &s = d.sheet(index_);
    pugi::xml_node p = wbxml::ensureChild(d.edit(s), "sheetProtection", WorksheetOrder);
    // A stronger hash left from earlier would be checked instead of ours.
    for (const char *a : {"algorithmName", "hashValue", "saltValue", "spinCount", "password"})
        p.remove_attribute(a);
    if (!hash.isEmpty())
        setAttr(p, "password", wbxml::utf8(hash).c_str());
    setAttr(p, "sheet", "1");
    setAttr(p, "objects", "1");
    setAttr(p, "scenarios", "1");
}
