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

CellRange Workbook::Impl::dataExtent(const QString &sheetName, CellRange source, const QString &pivot)
{
    const int index = sheetIndexByName(sheetName);
    if (index < 0)
        refuse(QStringLiteral("ピボットテーブル \"%1\" の元データのワークシート \"%2\" がありません。").arg(pivot, sheetName));
    SheetState &s = sheet(index);
    int lastRow = source.row1;
    if (s.spool) {
        for (auto it = s.spool->lastValueRow.lower_bound(source.column1);
             it != s.spool->lastValueRow.end() && it->first <= source.column2; ++it)
            lastRow = std::max(lastRow, it->second);
    }
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

