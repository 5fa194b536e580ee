// The workbook component on long sheets: rows below the template's own are
// written out as they are filled, and what a workbook reads back, how its
// columns are fitted and where its pivot source ends are the same as for a
// sheet held whole.

#include "WorkbookTestSupport.h"
#include "output/WorkbookInternal.h"

#include <set>

namespace {

const std::string Sheet1 = "xl/worksheets/sheet1.xml";

// The template's heading row, a column with a style of its own (D), a
// merged heading over C1:D1 and something after the sheet data; with a
// shared-string table or with the texts in their cells.
Book longSheetTemplate(bool sharedStrings = true)
{
    Book b = sharedStrings
                 ? oneSheet(R"(<cols><col min="4" max="4" width="9" style="1"/></cols>)"
                            R"(<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>)"
                            R"(<c r="C1" t="s"><v>2</v></c></row></sheetData>)"
                            R"(<mergeCells count="1"><mergeCell ref="C1:D1"/></mergeCells>)"
                            R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>)")
                 : oneSheet(R"(<cols><col min="4" max="4" width="9" style="1"/></cols>)"
                            R"(<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>日付</t></is></c>)"
                            R"(<c r="B1" t="inlineStr"><is><t>伝票No</t></is></c>)"
                            R"(<c r="C1" t="inlineStr"><is><t>とても長い見出しの結合セル</t></is></c></row></sheetData>)"
                            R"(<mergeCells count="1"><mergeCell ref="C1:D1"/></mergeCells>)"
                            R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>)",
                            false);
    b.sharedItems = "<si><t>日付</t></si><si><t>伝票No</t></si><si><t>とても長い見出しの結合セル</t></si>";
    b.styles.replace(b.styles.find("</cellXfs>"), 0, R"(<xf numFmtId="3" fontId="0" fillId="0" borderId="0" xfId="0"/>)");
    return b;
}

// Row r of the long sheet: a repeated date, a slip number of its own, a
// number under the column's "#,##0" style; row 3 has the widest slip text.
void fillRow(Worksheet ws, int r)
{
    ws.setText(r, 1, QStringLiteral("2024/05/%1").arg(10 + r % 3));
    ws.setText(r, 2, r == 3 ? u("とても長い伝票番号の行") : QStringLiteral("%1").arg(r, 6, 10, QLatin1Char('0')));
    ws.setNumber(r, 4, 1000.0 * r);
}

class LongSheet : public WorkbookTest {
protected:
    void SetUp() override
    {
        // Temporary files of the component go here, so the test sees them.
        tempBefore = qEnvironmentVariable("TMPDIR");
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("tmp"))));
        qputenv("TMPDIR", QFile::encodeName(dir.filePath(QStringLiteral("tmp"))));
    }
    void TearDown() override
    {
        if (tempBefore.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", QFile::encodeName(tempBefore));
    }
    QStringList tempFiles() const { return folderEntries(dir.filePath(QStringLiteral("tmp"))); }

    QString tempBefore;
};

// Filled top down, the rows leave the document as they go; filled bottom
// up, every row stays until the end. With the texts in their cells the
// saved sheets are the same bytes; with shared strings only the indexes
// differ, as the texts enter the table in another order.
class RowsWrittenOut : public LongSheet, public ::testing::WithParamInterface<bool> {};

TEST_P(RowsWrittenOut, GiveTheSameSheetAsRowsHeldWhole)
{
    constexpr int LastRow = 120;
    const bool shared = GetParam();
    const QString topDown = write(longSheetTemplate(shared), QStringLiteral("down.xlsx"));
    const QString bottomUp = write(longSheetTemplate(shared), QStringLiteral("up.xlsx"));
    {
        Workbook book(topDown);
        for (int r = 2; r <= LastRow; ++r)
            fillRow(book.sheet(1), r);
        book.sheet(1).autoFitColumns(QStringLiteral("A:D"));
        book.sheet(1).drawBottomBorder(QStringLiteral("A%1:D%1").arg(LastRow));
        book.sheet(1).protect(QStringLiteral("kopram_RZN"));
        book.save();
    }
    EXPECT_EQ(tempFiles(), QStringList{});
    {
        Workbook book(bottomUp);
        for (int r = LastRow; r >= 2; --r)
            fillRow(book.sheet(1), r);
        book.sheet(1).autoFitColumns(QStringLiteral("A:D"));
        book.sheet(1).drawBottomBorder(QStringLiteral("A%1:D%1").arg(LastRow));
        book.sheet(1).protect(QStringLiteral("kopram_RZN"));
        book.save();
    }
    Saved down(topDown);
    Saved up(bottomUp);
    EXPECT_EQ(down.bytes("xl/styles.xml"), up.bytes("xl/styles.xml"));
    if (shared)
        EXPECT_EQ(down.attr("xl/sharedStrings.xml", "/sst", "uniqueCount"), "125");
    else
        EXPECT_EQ(down.bytes(Sheet1), up.bytes(Sheet1));

    // Both read back alike, cell by cell.
    Workbook a(topDown);
    Workbook b(bottomUp);
    for (int r = 1; r <= LastRow + 1; ++r) {
        for (int c = 1; c <= 5; ++c) {
            SCOPED_TRACE(testing::Message() << "row " << r << " column " << c);
            EXPECT_EQ(a.sheet(1).cell(r, c), b.sheet(1).cell(r, c));
        }
    }
    EXPECT_EQ(a.sheet(1).cell(3, 2), CellValue::ofText(u("とても長い伝票番号の行")));
    EXPECT_EQ(a.sheet(1).cell(LastRow, 4), CellValue::ofNumber(1000.0 * LastRow));

    pugi::xml_node sheet = down.xml(Sheet1);
    EXPECT_EQ(down.attr(Sheet1, "dimension", "ref"), "A1:D120");
    // The merged heading is left out of the fit; the long slip text of row
    // 3, written out long before the fit, is not: 22 bytes and one margin.
    EXPECT_EQ(down.attr(Sheet1, "cols/col[@min='2']", "width"), "23");
    EXPECT_EQ(down.attr(Sheet1, "cols/col[@min='2']", "width"), up.attr(Sheet1, "cols/col[@min='2']", "width"));
    // "120,000" under the column's style.
    EXPECT_EQ(down.attr(Sheet1, "cols/col[@min='4']", "width"), "8");
    EXPECT_EQ(down.attr(Sheet1, "//c[@r='D77']", "s"), "1");
    std::vector<int> rows;
    for (pugi::xpath_node n : sheet.select_nodes("sheetData/row"))
        rows.push_back(n.node().attribute("r").as_int());
    ASSERT_EQ(rows.size(), size_t(LastRow));
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    EXPECT_EQ(rows.back(), LastRow);
    std::vector<std::string> order;
    for (pugi::xml_node n : sheet.children())
        order.push_back(n.name());
    EXPECT_EQ(order, (std::vector<std::string>{"dimension", "cols", "sheetData", "sheetProtection", "mergeCells",
                                               "pageMargins"}));
    // The line under the last row only.
    EXPECT_NE(down.attr(Sheet1, "//c[@r='A120']", "s"), "");
    EXPECT_EQ(down.attr(Sheet1, "//c[@r='A119']", "s"), "");
    EXPECT_EQ(down.attr(Sheet1, "//c[@r='A120']", "s"), up.attr(Sheet1, "//c[@r='A120']", "s"));
}

INSTANTIATE_TEST_SUITE_P(Texts, RowsWrittenOut, ::testing::Bool(),
                         [](const auto &info) { return std::string(info.param ? "Shared" : "InCells"); });

// A row already written out can still be written, read and styled: the
// rows come back into the document, in their places, whichever way the
// caller goes back.
struct WayBack {
    const char *name;
    std::function<void(Worksheet)> action;
};

void PrintTo(const WayBack &w, std::ostream *os)
{
    *os << w.name;
}

class GoingBack : public LongSheet, public ::testing::WithParamInterface<WayBack> {};

TEST_P(GoingBack, BringsTheWrittenRowsBack)
{
    const QString path = write(longSheetTemplate());
    {
        Workbook book(path);
        Worksheet ws = book.sheet(1);
        for (int r = 2; r <= 80; ++r)
            fillRow(ws, r);
        GetParam().action(ws);
        for (int r = 81; r <= 100; ++r)
            fillRow(ws, r);
        ws.setText(5, 3, u("追記"));
        ws.setText(200, 1, QStringLiteral("last"));
        ws.setText(150, 1, QStringLiteral("between"));
        ws.setColumnStyle(QStringLiteral("D"), QStringLiteral("Comma [0]"));
        book.save();
    }
    EXPECT_EQ(tempFiles(), QStringList{});
    Workbook book(path);
    Worksheet ws = book.sheet(1);
    for (int r = 2; r <= 100; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(ws.cell(r, 2), CellValue::ofText(r == 3 ? u("とても長い伝票番号の行") : QStringLiteral("%1").arg(r, 6, 10, QLatin1Char('0'))));
        EXPECT_EQ(ws.cell(r, 4), CellValue::ofNumber(1000.0 * r));
    }
    EXPECT_EQ(ws.cell(5, 3), CellValue::ofText(u("追記")));
    EXPECT_EQ(ws.cell(150, 1), CellValue::ofText(QStringLiteral("between")));
    EXPECT_EQ(ws.cell(200, 1), CellValue::ofText(QStringLiteral("last")));

    Saved saved(path);
    std::vector<int> rows;
    for (pugi::xpath_node n : saved.xml(Sheet1).select_nodes("sheetData/row"))
        rows.push_back(n.node().attribute("r").as_int());
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    EXPECT_EQ(std::set<int>(rows.begin(), rows.end()).size(), rows.size());
    EXPECT_EQ(saved.attr(Sheet1, "dimension", "ref"), "A1:D200");
    // Every cell of column D took the style, the written-out ones too.
    const std::string style = saved.attr(Sheet1, "//c[@r='D90']", "s");
    EXPECT_NE(style, "1");
    EXPECT_EQ(saved.attr(Sheet1, "//c[@r='D3']", "s"), style);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, GoingBack,
    ::testing::Values(WayBack{"ReadingACell", [](Worksheet ws) { EXPECT_EQ(ws.cell(10, 4), CellValue::ofNumber(10000)); }},
                      WayBack{"WritingACell", [](Worksheet ws) { ws.setNumber(40, 3, 7); }},
                      WayBack{"StylingTheColumn",
                              [](Worksheet ws) { ws.setColumnStyle(QStringLiteral("B"), QStringLiteral("Comma [0]")); }},
                      WayBack{"WritingTheFirstRow", [](Worksheet ws) { ws.setText(2, 3, QStringLiteral("x")); }},
                      WayBack{"ABorderAbove", [](Worksheet ws) { ws.drawBottomBorder(QStringLiteral("A30:D30")); }}),
    [](const auto &info) { return std::string(info.param.name); });

// The shared-string table stops growing at its limit: later new texts go
// into their cells, texts already in the table are still shared, and every
// cell reads back as written.
TEST_F(LongSheet, SharedStringTableIsBounded)
{
    const size_t limit = wbimpl::SharedStringLimit;
    const QString path = write(oneSheet("<sheetData/>"));
    const int rows = int(limit) + 30;
    {
        Workbook book(path);
        Worksheet ws = book.sheet(1);
        for (int r = 1; r <= rows; ++r)
            ws.setText(r, 1, QStringLiteral("T%1").arg(r));
        ws.setText(rows + 1, 1, QStringLiteral("T1"));
        book.save();
    }
    Saved saved(path);
    EXPECT_EQ(saved.attr("xl/sharedStrings.xml", "/sst", "uniqueCount"), std::to_string(limit));
    EXPECT_EQ(saved.attr(Sheet1, ("//c[@r='A" + std::to_string(limit) + "']").c_str(), "t"), "s");
    EXPECT_EQ(saved.attr(Sheet1, ("//c[@r='A" + std::to_string(limit + 1) + "']").c_str(), "t"), "inlineStr");
    EXPECT_EQ(saved.attr(Sheet1, ("//c[@r='A" + std::to_string(rows + 1) + "']").c_str(), "t"), "s");
    Workbook book(path);
    for (int r : {1, int(limit), int(limit) + 1, rows}) {
        SCOPED_TRACE(r);
        EXPECT_EQ(book.sheet(1).cell(r, 1), CellValue::ofText(QStringLiteral("T%1").arg(r)));
    }
    EXPECT_EQ(book.sheet(1).cell(rows + 1, 1), CellValue::ofText(QStringLiteral("T1")));
}

// The pivot source ends at the last written-out row with a value in its
// columns; a row further down with a value elsewhere does not count.
TEST_F(LongSheet, PivotSourceReachesTheLastWrittenOutRow)
{
    Book b = longSheetTemplate();
    b.sheets.push_back({"集計", "<sheetData/>"});
    b.workbookExtra = R"(<pivotCaches><pivotCache cacheId="1" r:id="rIdP"/></pivotCaches>)";
    b.workbookRels = std::string("<Relationship Id=\"rIdP\" Type=\"") + RelTypes
                     + "pivotCacheDefinition\" Target=\"pivotCache/pivotCacheDefinition1.xml\"/>";
    b.extra["xl/worksheets/_rels/sheet2.xml.rels"] =
        std::string(R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)")
        + "<Relationship Id=\"rId1\" Type=\"" + RelTypes + "pivotTable\" Target=\"../pivotTables/pivotTable1.xml\"/></Relationships>";
    b.extra["xl/pivotTables/pivotTable1.xml"] = std::string("<pivotTableDefinition xmlns=\"") + MainNs
                                                + R"(" name="ﾋﾟﾎﾞｯﾄﾃｰﾌﾞﾙ1" cacheId="1"><location ref="A3:B4" firstHeaderRow="1" firstDataRow="1" firstDataCol="1"/></pivotTableDefinition>)";
    b.extra["xl/pivotTables/_rels/pivotTable1.xml.rels"] =
        std::string(R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)")
        + "<Relationship Id=\"rId1\" Type=\"" + RelTypes
        + "pivotCacheDefinition\" Target=\"../pivotCache/pivotCacheDefinition1.xml\"/></Relationships>";
    b.extra["xl/pivotCache/pivotCacheDefinition1.xml"] =
        std::string("<pivotCacheDefinition xmlns=\"") + MainNs + "\" xmlns:r=\"" + RelNs
        + R"("><cacheSource type="worksheet"><worksheetSource ref="A1:B2" sheet="Sheet1"/></cacheSource></pivotCacheDefinition>)";
    const QString path = write(b);
    {
        Workbook book(path);
        Worksheet ws = book.sheet(1);
        for (int r = 2; r <= 60; ++r)
            fillRow(ws, r);
        for (int r = 61; r <= 90; ++r)
            ws.setNumber(r, 4, r);
        book.sheet(2).refreshPivotTable(u("ﾋﾟﾎﾞｯﾄﾃｰﾌﾞﾙ1"));
        book.save();
    }
    Saved saved(path);
    EXPECT_EQ(saved.attr("xl/pivotCache/pivotCacheDefinition1.xml", "cacheSource/worksheetSource", "ref"), "A1:B60");
    EXPECT_EQ(saved.attr(Sheet1, "dimension", "ref"), "A1:D90");
}

} // namespace
