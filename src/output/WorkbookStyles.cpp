#include "output/WorkbookInternal.h"
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
using namespace wbimpl;

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

void Worksheet::autoFitColumns(const QString &columns)
{
    Workbook::Impl &d = *book_->d;
    const ColumnRange range = parseColumns(columns);
    SheetState &s = d.sheet(index_);

    // Excel leaves merged cells out of a fit: their text spans several
    // columns.
    const std::vector<CellRange> merged = d.mergedRanges(s);
    std::map<int, double> units; // per column with a value
    if (s.spool) {
        for (auto it = s.spool->units.lower_bound(range.first); it != s.spool->units.end() && it->first <= range.last; ++it)
            units[it->first] = it->second;
    }
    for (const auto &[r, rowNode] : s.rows) {
        for (pugi::xml_node c : children(rowNode, "c")) {
            const int column = columnOf(c);
            if (column < range.first || column > range.last)
                continue;
            if (std::any_of(merged.begin(), merged.end(),
                            [&, r = r](const CellRange &m) { return m.contains(r, column); }))
                continue;
            if (const std::optional<double> shown = d.shownUnits(c)) {
                double &u = units[column];
                u = std::max(u, *shown);
            }
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

    // Cells already written out cannot take the style where they are.
    d.reachColumns(s, range.first, range.last);
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

