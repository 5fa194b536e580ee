#include "output/WorkbookInternal.h"
#include "store/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

using wbxml::child;
using wbxml::children;
using wbxml::setAttr;
using namespace wbimpl;

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
    s.lastReadRow = lastRow;
    s.loaded = true;
    return s;
}

pugi::xml_node Workbook::Impl::edit(SheetState &s)
{
    if (!s.edited)
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
    for (pugi::xml_node col = child(s.root, "cols").first_child(); col; col = col.next_sibling())
        if (wbxml::localName(col) == "col" && col.attribute("min").as_int() <= column
            && column <= col.attribute("max").as_int())
            return col.attribute("style").as_int(0);
    return 0;
}

pugi::xml_node Workbook::Impl::cellFor(SheetState &s, int row, int column)
{
    checkCell(row, column);
    edit(s);
    reach(s, row);
    pugi::xml_node rowNode;
    if (const auto it = s.rows.find(row); it != s.rows.end()) {
        rowNode = it->second;
    } else {
        rowAdded(s, row);
        const auto next = s.rows.upper_bound(row);
        rowNode = wbxml::insertChildBefore(s.sheetData, "row", next == s.rows.end() ? pugi::xml_node() : next->second);
        setAttr(rowNode, "r", row);
        s.rows.emplace(row, rowNode);
    }
    // The column span is only a hint for readers; a wrong one is worse than
    // none.
    rowNode.remove_attribute("spans");

    // A row is filled from left to right: a new cell after the last one is
    // the common case.
    pugi::xml_node last = rowNode.last_child();
    while (last && last.type() != pugi::node_element)
        last = last.previous_sibling();
    if (last && wbxml::localName(last) == "c" && columnOf(last) < column) {
        pugi::xml_node c = rowNode.insert_child_after(wbxml::qualified(rowNode, "c").c_str(), last);
        setAttr(c, "r", cellName(row, column).c_str());
        const int style = rowNode.attribute("customFormat").as_bool() ? rowNode.attribute("s").as_int(0)
                                                                       : columnStyle(s, column);
        if (style > 0)
            setAttr(c, "s", style);
        return c;
    }

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

bool Workbook::Impl::mayShare(const QString &text) const
{
    return sstIndex.contains(text) || sstTexts.size() < SharedStringLimit;
}

int Workbook::Impl::sharedString(const QString &text)
{
    if (!sstRoot)
        sstRoot = pkg.edit(sstPart).document_element();
    pugi::xml_node root = sstRoot;
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

int Workbook::Impl::sheetIndexByName(const QString &name) const
{
    for (size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

// The used range, which readers take from the dimension element.
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
    if (const RowSpool *spool = s.spool.get(); spool && spool->firstCellRow) {
        // Written-out rows lie below every row the document holds but above
        // the newest ones.
        minRow = minRow ? std::min(minRow, spool->firstCellRow) : spool->firstCellRow;
        maxRow = std::max(maxRow, spool->lastCellRow);
        minCol = minCol ? std::min(minCol, spool->minColumn) : spool->minColumn;
        maxCol = std::max(maxCol, spool->maxColumn);
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

    const auto failed = [this](const QString &why) {
        return DbError(DbErr::PathAccess, QStringLiteral("ファイル %1 を保存できません。%2").arg(d->path, why));
    };
    const QFileInfo info(d->path);
    if (info.exists() && !info.isWritable())
        throw failed(QStringLiteral("読み取り専用です。"));

    // A sheet with written-out rows is its document printed around them.
    std::map<std::string, PartPieces> pieces;
    for (SheetState &s : d->sheets) {
        if (!s.edited || !s.spool)
            continue;
        s.spool->flush();
        const auto held = s.rows.upper_bound(s.lastReadRow);
        pugi::xml_node mark = held == s.rows.end() ? s.sheetData.append_child(pugi::node_pi)
                                                   : s.sheetData.insert_child_before(pugi::node_pi, held->second);
        mark.set_name("tobari-rows");
        const QByteArray printed = wbxml::printDocument(d->pkg.xml(s.part));
        s.sheetData.remove_child(mark);
        const QByteArray marker("<?tobari-rows?>");
        const qsizetype at = printed.indexOf(marker);
        if (at < 0)
            refuse(QStringLiteral("ワークシート \"%1\" を書き出せません。").arg(s.name));
        pieces[s.part] = PartPieces{printed.left(at), &s.spool->file, s.spool->file.size(), printed.mid(at + marker.size())};
    }

    // The package is put together in a temporary file, then copied into
    // place: the archive of a long sheet is never held in memory.
    QTemporaryFile zip(QDir(QDir::tempPath()).filePath(QStringLiteral("tobari-book-XXXXXX.zip")));
    if (!zip.open())
        throw failed(zip.errorString());
    zip.close();
    d->pkg.write(zip.fileName(), pieces);
    QFile packed(zip.fileName());
    if (!packed.open(QIODevice::ReadOnly))
        throw failed(packed.errorString());

    // QSaveFile writes a temporary file in the same folder and renames it
    // over the target on commit; it never falls back to writing the target
    // directly, so a failure leaves the old file or none.
    QSaveFile file(d->path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw failed(file.errorString());
    QByteArray chunk;
    while (!(chunk = packed.read(1 << 20)).isEmpty()) {
        if (file.write(chunk) != chunk.size()) {
            const QString why = file.errorString();
            file.cancelWriting();
            throw failed(why);
        }
    }
    if (packed.error() != QFileDevice::NoError) {
        const QString why = packed.errorString();
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
    if (!d.sstPart.empty() && d.mayShare(text)) {
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
    SheetState &s = d.sheet(index_);
    d.reach(s, row);
    return d.value(d.findCell(s, row, column));
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

