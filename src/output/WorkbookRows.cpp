// New rows below a sheet's own rows leave the document as soon as newer
// ones follow: they are printed into a temporary file, and what the
// finishing steps need of them (widths, extents) is kept beside it, so a
// sheet of a million lines takes the memory of a few rows.

#include "output/WorkbookInternal.h"
#include "store/Cp932.h"

#include <QDir>

#include <algorithm>

using wbxml::child;
using wbxml::children;
using namespace wbimpl;

namespace {

constexpr size_t SpoolPiece = 1 << 20;

struct AppendWriter : pugi::xml_writer {
    std::string &out;
    explicit AppendWriter(std::string &o) : out(o) {}
    void write(const void *data, size_t size) override { out.append(static_cast<const char *>(data), size); }
};

} // namespace

void RowSpool::flush()
{
    if (buffer.empty())
        return;
    // The package is read from the same file between two rounds of rows.
    if (!file.seek(file.size()) || file.write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size()))
        throw DbError(DbErr::PathAccess,
                      QStringLiteral("ブックの行を一時ファイルに書き出せません。(%1)").arg(file.errorString()));
    buffer.clear();
}

std::vector<CellRange> Workbook::Impl::mergedRanges(const SheetState &s) const
{
    std::vector<CellRange> merged;
    for (pugi::xml_node m : children(child(s.root, "mergeCells"), "mergeCell")) {
        CellRange r{};
        if (parseCellRange(m.attribute("ref").value(), r) && (r.row1 != r.row2 || r.column1 != r.column2))
            merged.push_back(r);
    }
    return merged;
}

std::optional<double> Workbook::Impl::shownUnits(pugi::xml_node c, double known)
{
    const CellValue v = value(c);
    const int xf = c.attribute("s").as_int(0);
    auto metrics = xfMetrics.find(xf);
    if (metrics == xfMetrics.end()) {
        const double defaultSize = fontSizeOf(0);
        metrics = xfMetrics.emplace(xf, std::pair(numFmtOf(xf), defaultSize > 0 ? fontSizeOf(xf) / defaultSize : 1.0)).first;
    }
    QString shown;
    switch (v.type) {
    case CellValue::Type::Empty:
        return std::nullopt;
    case CellValue::Type::Text:
    case CellValue::Type::Error:
        shown = v.text;
        break;
    case CellValue::Type::Number:
        shown = shownNumber(v.number, metrics->second.first);
        break;
    case CellValue::Type::Boolean:
        shown = v.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        break;
    }
    // No character takes more than two bytes: a text that short cannot be
    // wider than what is known, and needs no measuring.
    const double scale = metrics->second.second;
    if (double(2 * shown.size()) * scale <= known)
        return known;
    // The chain's code page gives the display width: a double-byte
    // character is full-width, a single byte (half-width katakana too)
    // half-width.
    qsizetype widest = 0;
    if (shown.contains(u'\n')) {
        for (const QString &line : shown.split(u'\n'))
            widest = std::max(widest, cp932::byteLength(line));
    } else {
        widest = cp932::byteLength(shown);
    }
    return std::max(known, double(widest) * scale);
}

void Workbook::Impl::reach(SheetState &s, int row)
{
    if (s.spool && row > s.lastReadRow && row <= s.spool->lastRow)
        readBack(s);
}

void Workbook::Impl::reachColumns(SheetState &s, int first, int last)
{
    if (s.spool && s.spool->firstCellRow && s.spool->minColumn <= last && s.spool->maxColumn >= first)
        readBack(s);
}

void Workbook::Impl::rowAdded(SheetState &s, int row)
{
    if (!s.streaming || row <= s.lastReadRow)
        return;
    // Only rows above the new one go out: the spool stays in row order.
    while (s.rowsHeld >= RowsHeld) {
        const auto oldest = s.rows.upper_bound(s.lastReadRow);
        if (oldest == s.rows.end() || oldest->first > row)
            break;
        writeOut(s, oldest);
    }
    ++s.rowsHeld;
}

void Workbook::Impl::writeOut(SheetState &s, std::map<int, pugi::xml_node>::iterator it)
{
    if (!s.spool) {
        auto spool = std::make_unique<RowSpool>();
        spool->file.setFileTemplate(QDir(QDir::tempPath()).filePath(QStringLiteral("tobari-rows-XXXXXX")));
        if (!spool->file.open())
            throw DbError(DbErr::PathAccess,
                          QStringLiteral("ブックの行を書き出す一時ファイルを作成できません。(%1)").arg(spool->file.errorString()));
        spool->merged = mergedRanges(s);
        s.spool = std::move(spool);
    }
    RowSpool &spool = *s.spool;
    const int r = it->first;
    pugi::xml_node row = it->second;
    for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element || wbxml::localName(c) != "c")
            continue;
        const int column = columnOf(c);
        if (!spool.firstCellRow)
            spool.firstCellRow = r;
        spool.lastCellRow = r;
        spool.minColumn = spool.minColumn ? std::min(spool.minColumn, column) : column;
        spool.maxColumn = std::max(spool.maxColumn, column);
        if (std::any_of(spool.merged.begin(), spool.merged.end(), [&](const CellRange &m) { return m.contains(r, column); })) {
            if (value(c).type != CellValue::Type::Empty)
                spool.lastValueRow[column] = r;
            continue;
        }
        double &widest = spool.units[column];
        if (const std::optional<double> units = shownUnits(c, widest)) {
            spool.lastValueRow[column] = r;
            widest = *units;
        } else if (widest == 0) {
            spool.units.erase(column); // a column with no value keeps its width
        }
    }
    AppendWriter writer(spool.buffer);
    row.print(writer, "", pugi::format_raw);
    if (spool.buffer.size() >= SpoolPiece)
        spool.flush();
    spool.lastRow = r;
    s.sheetData.remove_child(row);
    s.rows.erase(it);
    --s.rowsHeld;
}

void Workbook::Impl::readBack(SheetState &s)
{
    std::unique_ptr<RowSpool> spool = std::move(s.spool);
    s.streaming = false;
    s.rowsHeld = 0;
    spool->flush();
    if (!spool->file.seek(0))
        throw DbError(DbErr::PathAccess, QStringLiteral("ブックの行を読み戻せません。(%1)").arg(spool->file.errorString()));
    const QByteArray bytes = spool->file.readAll();
    pugi::xml_document rows;
    if (!rows.load_buffer(bytes.constData(), size_t(bytes.size()), wbxml::ParseFlags | pugi::parse_fragment,
                          pugi::encoding_utf8))
        refuse(QStringLiteral("ブックの行を読み戻せません。"));
    // They go back between the sheet's own rows and the newest ones.
    const auto held = s.rows.upper_bound(s.lastReadRow);
    const pugi::xml_node before = held == s.rows.end() ? pugi::xml_node() : held->second;
    for (pugi::xml_node row = rows.first_child(); row; row = row.next_sibling()) {
        if (row.type() != pugi::node_element)
            continue;
        pugi::xml_node copy = before ? s.sheetData.insert_copy_before(row, before) : s.sheetData.append_copy(row);
        s.rows[copy.attribute("r").as_int()] = copy;
    }
}
