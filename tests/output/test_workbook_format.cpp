// The workbook component: borders and styles, protection, the pivot table,
// packages and files.

#include "WorkbookTestSupport.h"

namespace {

// --- Borders and styles -----------------------------------------------------

constexpr const char *FormattedStyles =
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="2"><font><sz val="11"/><name val="IPAゴシック"/></font><font><b/><sz val="11"/><name val="IPAゴシック"/></font></fonts>)"
    R"(<fills count="3"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>)"
    R"(<fill><patternFill patternType="solid"><fgColor rgb="FFFFFF00"/></patternFill></fill></fills>)"
    R"(<borders count="2"><border><left/><right/><top/><bottom/><diagonal/></border>)"
    R"(<border><left style="medium"><color rgb="FFFF0000"/></left><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)"
    R"(<xf numFmtId="3" fontId="1" fillId="2" borderId="1" xfId="0" applyNumberFormat="1" applyFont="1" applyFill="1" applyBorder="1"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

TEST_F(WorkbookTest, BottomBorderKeepsEachCellsOtherFormatting)
{
    Book b = oneSheet(R"(<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>見出し</t></is></c></row>)"
                      R"(<row r="2"><c r="A2" s="1" t="inlineStr"><is><t>合計</t></is></c><c r="C2"><v>42</v></c></row></sheetData>)",
                      false);
    b.styles = FormattedStyles;
    const QString path = write(b);
    {
        Workbook book(path);
        book.sheet(1).drawBottomBorder(QStringLiteral("A1:C2"));
        book.save();
    }
    const auto xfOf = [](Saved &s, const char *cell) -> pugi::xml_node {
        const int index = s.xml("xl/worksheets/sheet1.xml").select_node(cell).node().attribute("s").as_int(0);
        return s.xml("xl/styles.xml").select_node(("cellXfs/xf[" + std::to_string(index + 1) + "]").c_str()).node();
    };
    const auto borderOf = [](Saved &s, pugi::xml_node xf) -> pugi::xml_node {
        return s.xml("xl/styles.xml")
            .select_node(("borders/border[" + std::to_string(xf.attribute("borderId").as_int() + 1) + "]").c_str())
            .node();
    };
    Saved saved(path);
    // The formatted cell: font, fill, number format and its red left edge
    // stay; the bottom edge is added.
    pugi::xml_node a2 = xfOf(saved, "//c[@r='A2']");
    EXPECT_EQ(std::string(a2.attribute("fontId").value()), "1");
    EXPECT_EQ(std::string(a2.attribute("fillId").value()), "2");
    EXPECT_EQ(std::string(a2.attribute("numFmtId").value()), "3");
    EXPECT_EQ(std::string(a2.attribute("applyBorder").value()), "1");
    pugi::xml_node border = borderOf(saved, a2);
    EXPECT_EQ(std::string(border.child("left").attribute("style").value()), "medium");
    EXPECT_EQ(std::string(border.child("bottom").attribute("style").value()), "thin");
    EXPECT_TRUE(border.child("bottom").child("color"));
    // Children in the schema's order: left, right, top, bottom, diagonal.
    std::vector<std::string> order;
    for (pugi::xml_node n : border.children())
        order.push_back(n.name());
    EXPECT_EQ(order, (std::vector<std::string>{"left", "right", "top", "bottom", "diagonal"}));

    // Plain and missing cells of the row get the line on the default format.
    for (const char *cell : {"//c[@r='B2']", "//c[@r='C2']"}) {
        SCOPED_TRACE(cell);
        pugi::xml_node xf = xfOf(saved, cell);
        EXPECT_EQ(std::string(xf.attribute("fontId").value()), "0");
        EXPECT_EQ(std::string(xf.attribute("fillId").value()), "0");
        EXPECT_EQ(std::string(borderOf(saved, xf).child("bottom").attribute("style").value()), "thin");
    }
    // Only the bottom edge of the range: row 1 is untouched.
    EXPECT_EQ(saved.attr("xl/worksheets/sheet1.xml", "//c[@r='A1']", "s"), "");
    EXPECT_FALSE(saved.xml("xl/worksheets/sheet1.xml").select_node("//c[@r='B1']"));

    Workbook again(path);
    EXPECT_EQ(again.sheet(1).cell(2, 1), CellValue::ofText(u("合計")));
    EXPECT_EQ(again.sheet(1).cell(2, 3), CellValue::ofNumber(42));
    // Drawing the same line again reuses the formats made the first time.
    again.sheet(1).drawBottomBorder(QStringLiteral("A2:C2"));
    again.save();
    Saved twice(path);
    EXPECT_EQ(twice.attr("xl/styles.xml", "cellXfs", "count"), saved.attr("xl/styles.xml", "cellXfs", "count"));
    EXPECT_EQ(twice.attr("xl/styles.xml", "borders", "count"), saved.attr("xl/styles.xml", "borders", "count"));
}

struct StyleCase {
    const char *name;
    const char *cellStyles; // the template's cellStyles and cellStyleXfs
    const char *cellStyleXfs;
    int expectedStyleXf;
    const char *expectedStyleCount;
};

void PrintTo(const StyleCase &c, std::ostream *os)
{
    *os << c.name;
}

class CommaStyle : public WorkbookTest, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(CommaStyle, ColumnsAndTheirCellsGetTheStyle)
{
    const StyleCase &c = GetParam();
    Book b = oneSheet(R"(<sheetData><row r="5"><c r="B5"><v>1</v></c><c r="C5"><v>1234</v></c><c r="IV5"><v>5</v></c>)"
                      R"(<c r="IW5"><v>6</v></c></row></sheetData>)");
    std::string styles = PlainStyles;
    styles.replace(styles.find("<cellStyleXfs"), styles.find("<cellXfs") - styles.find("<cellStyleXfs"), c.cellStyleXfs);
    styles.replace(styles.find("<cellStyles"), styles.find("</styleSheet>") - styles.find("<cellStyles"), c.cellStyles);
    b.styles = styles;
    const QString path = write(b);
    {
        Workbook book(path);
        book.sheet(1).setColumnStyle(QStringLiteral("C:IV"), QStringLiteral("Comma [0]"));
        book.save();
    }
    Saved saved(path);
    const std::string sheet = "xl/worksheets/sheet1.xml";
    const std::string style = saved.attr(sheet, "//c[@r='C5']", "s");
    ASSERT_FALSE(style.empty());
    const std::string xf = "cellXfs/xf[" + std::to_string(std::stoi(style) + 1) + "]";
    EXPECT_EQ(saved.attr("xl/styles.xml", xf.c_str(), "numFmtId"), "3");
    EXPECT_EQ(saved.attr("xl/styles.xml", xf.c_str(), "xfId"), std::to_string(c.expectedStyleXf));
    EXPECT_EQ(saved.attr("xl/styles.xml", xf.c_str(), "applyNumberFormat"), "1");
    const std::string styleXf = "cellStyleXfs/xf[" + std::to_string(c.expectedStyleXf + 1) + "]";
    EXPECT_EQ(saved.attr("xl/styles.xml", styleXf.c_str(), "numFmtId"), "3");
    EXPECT_EQ(saved.attr("xl/styles.xml", ("cellStyles/cellStyle[@xfId='" + std::to_string(c.expectedStyleXf) + "']").c_str(), "builtinId"), "6");
    EXPECT_EQ(saved.attr("xl/styles.xml", "cellStyles", "count"), c.expectedStyleCount);

    EXPECT_EQ(saved.attr(sheet, "//c[@r='IV5']", "s"), style);
    EXPECT_EQ(saved.attr(sheet, "//c[@r='B5']", "s"), "");
    EXPECT_EQ(saved.attr(sheet, "//c[@r='IW5']", "s"), "");
    EXPECT_EQ(saved.attr(sheet, "cols/col[@min='3']", "max"), "256");
    EXPECT_EQ(saved.attr(sheet, "cols/col[@min='3']", "style"), style);
    // A cell typed into those columns later takes the style.
    Workbook book(path);
    book.sheet(1).setNumber(9, 4, 10);
    book.save();
    Saved later(path);
    EXPECT_EQ(later.attr(sheet, "//c[@r='D9']", "s"), style);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, CommaStyle,
    ::testing::Values(
        StyleCase{"AddedWhenMissing",
                  R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)",
                  R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)", 1,
                  "2"},
        // Japanese Excel writes the built-in style under its own caption.
        StyleCase{"JapaneseBuiltinReused",
                  R"(<cellStyles count="2"><cellStyle name="桁区切り" xfId="1" builtinId="6"/><cellStyle name="標準" xfId="0" builtinId="0"/></cellStyles>)",
                  R"(<cellStyleXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/><xf numFmtId="3" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)",
                  1, "2"}),
    [](const auto &info) { return std::string(info.param.name); });

// --- Protection -------------------------------------------------------------

struct HashCase {
    const char *password;
    const char *hash;
};

void PrintTo(const HashCase &c, std::ostream *os)
{
    *os << '"' << c.password << '"';
}

class LegacyPasswordHash : public ::testing::TestWithParam<HashCase> {};

TEST_P(LegacyPasswordHash, MatchesTheSpreadsheetsHash)
{
    EXPECT_EQ(Workbook::legacyPasswordHash(QString::fromUtf8(GetParam().password)), QString::fromUtf8(GetParam().hash));
}

INSTANTIATE_TEST_SUITE_P(Vectors, LegacyPasswordHash,
                         ::testing::Values(HashCase{"test", "CBEB"}, HashCase{"password", "83AF"},
                                           HashCase{"kopram_RZN", "AD68"}, HashCase{"", ""}),
                         [](const auto &info) {
                             return std::string(*info.param.password ? info.param.password : "empty");
                         });

TEST_F(WorkbookTest, ProtectionGoesWhereTheSchemaPutsIt)
{
    const QString path = write(oneSheet(
        R"(<sheetData/><sheetProtection algorithmName="SHA-512" hashValue="x" saltValue="y" spinCount="100000" sheet="1"/>)"
        R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>)"));
    {
        Workbook book(path);
        book.sheet(1).setText(12, 1, QStringLiteral("1"));
        book.sheet(1).protect(QStringLiteral("kopram_RZN"));
        book.save();
    }
    Saved saved(path);
    pugi::xml_node root = saved.xml("xl/worksheets/sheet1.xml");
    std::vector<std::string> order;
    for (pugi::xml_node n : root.children())
        order.push_back(n.name());
    EXPECT_EQ(order, (std::vector<std::string>{"dimension", "sheetData", "sheetProtection", "pageMargins"}));
    pugi::xml_node p = root.child("sheetProtection");
    EXPECT_EQ(std::string(p.attribute("password").value()), "AD68");
    EXPECT_EQ(std::string(p.attribute("sheet").value()), "1");
    EXPECT_EQ(std::string(p.attribute("objects").value()), "1");
    EXPECT_EQ(std::string(p.attribute("scenarios").value()), "1");
    // The old strong hash would be checked instead of the new password.
    EXPECT_FALSE(p.attribute("hashValue"));
    EXPECT_FALSE(p.attribute("algorithmName"));
}

// --- Pivot table ------------------------------------------------------------

constexpr const char *PivotName = "ﾋﾟﾎﾞｯﾄﾃｰﾌﾞﾙ1";

std::string rels(const std::string &type, const std::string &target)
{
    return std::string(R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)")
           + "<Relationship Id=\"rId1\" Type=\"" + RelTypes + type + "\" Target=\"" + target + "\"/></Relationships>";
}

// Sheet 1 holds the pivot table over the data of sheet 2 ("明細", A1:B3 when
// the template was saved), with two saved records.
Book pivotBook(const std::string &worksheetSource, const std::string &workbookExtra = "")
{
    Book b;
    b.sheets = {{"集計", R"(<sheetData><row r="3"><c r="A3" t="inlineStr"><is><t>行ラベル</t></is></c></row></sheetData>)"},
                {"明細", R"(<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>札</t></is></c><c r="B1" t="inlineStr"><is><t>枚数</t></is></c></row>)"
                         R"(<row r="2"><c r="A2" t="inlineStr"><is><t>A</t></is></c><c r="B2"><v>1</v></c></row>)"
                         R"(<row r="3"><c r="A3" t="inlineStr"><is><t>B</t></is></c><c r="B3"><v>2</v></c></row></sheetData>)"}};
    b.workbookExtra = R"(<pivotCaches><pivotCache cacheId="1" r:id="rIdP"/></pivotCaches>)" + workbookExtra;
    b.workbookRels = std::string("<Relationship Id=\"rIdP\" Type=\"") + RelTypes
                     + "pivotCacheDefinition\" Target=\"pivotCache/pivotCacheDefinition1.xml\"/>";
    b.extra["xl/worksheets/_rels/sheet1.xml.rels"] = rels("pivotTable", "../pivotTables/pivotTable1.xml");
    b.extra["xl/pivotTables/pivotTable1.xml"] =
        std::string("<pivotTableDefinition xmlns=\"") + MainNs + "\" name=\"" + PivotName
        + R"(" cacheId="1" dataCaption="値" updatedVersion="3" minRefreshableVersion="3" createdVersion="3">)"
          R"(<location ref="A3:B6" firstHeaderRow="1" firstDataRow="1" firstDataCol="1"/>)"
          R"(<pivotFields count="2"><pivotField axis="axisRow" showAll="0"><items count="3"><item x="0"/><item x="1"/><item t="default"/></items></pivotField>)"
          R"(<pivotField dataField="1" showAll="0"/></pivotFields><rowFields count="1"><field x="0"/></rowFields>)"
          R"(<dataFields count="1"><dataField name="合計 / 枚数" fld="1" baseField="0" baseItem="0"/></dataFields></pivotTableDefinition>)";
    b.extra["xl/pivotTables/_rels/pivotTable1.xml.rels"] = rels("pivotCacheDefinition", "../pivotCache/pivotCacheDefinition1.xml");
    b.extra["xl/pivotCache/pivotCacheDefinition1.xml"] =
        std::string("<pivotCacheDefinition xmlns=\"") + MainNs + "\" xmlns:r=\"" + RelNs
        + R"(" r:id="rId1" refreshOnLoad="0" recordCount="2"><cacheSource type="worksheet">)" + worksheetSource
        + R"(</cacheSource><cacheFields count="2"><cacheField name="札" numFmtId="0"><sharedItems count="2"><s v="A"/><s v="B"/></sharedItems></cacheField>)"
          R"(<cacheField name="枚数" numFmtId="0"><sharedItems containsSemiMixedTypes="0" containsString="0" containsNumber="1" containsInteger="1" minValue="1" maxValue="2"/></cacheField>)"
          R"(</cacheFields></pivotCacheDefinition>)";
    b.extra["xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels"] = rels("pivotCacheRecords", "pivotCacheRecords1.xml");
    b.extra["xl/pivotCache/pivotCacheRecords1.xml"] =
        std::string("<pivotCacheRecords xmlns=\"") + MainNs
        + R"(" count="2"><r><x v="0"/><n v="1"/></r><r><x v="1"/><n v="2"/></r></pivotCacheRecords>)";
    return b;
}

struct PivotCase {
    const char *name;
    int dataRows; // rows written below the headings, replacing the template's
    const char *expectedRef;
};

void PrintTo(const PivotCase &c, std::ostream *os)
{
    *os << c.name;
}

class PivotRefresh : public WorkbookTest, public ::testing::WithParamInterface<PivotCase> {};

// The template's own rows are cleared and `dataRows` rows written, as the
// consignment detail fills its data sheet.
void fillData(Worksheet data, int rows)
{
    for (int r = 2; r <= 3; ++r) {
        data.setText(r, 1, QString());
        data.setText(r, 2, QString());
    }
    for (int r = 2; r < 2 + rows; ++r) {
        data.setText(r, 1, QStringLiteral("札%1").arg(r));
        data.setNumber(r, 2, r);
    }
    // A value beyond the source columns does not extend the range.
    data.setText(20, 5, QStringLiteral("memo"));
}

TEST_P(PivotRefresh, SourceFollowsTheDataAndStaleRecordsGo)
{
    const PivotCase &c = GetParam();
    const QString path = write(pivotBook(R"(<worksheetSource ref="A1:B3" sheet="明細"/>)"));
    const std::string tableBefore = readPackage(path).at("xl/pivotTables/pivotTable1.xml");
    {
        Workbook book(path);
        fillData(book.sheet(2), c.dataRows);
        book.sheet(1).refreshPivotTable(QString::fromUtf8(PivotName));
        book.save();
    }
    Saved saved(path);
    const std::string cache = "xl/pivotCache/pivotCacheDefinition1.xml";
    EXPECT_EQ(saved.attr(cache, "cacheSource/worksheetSource", "ref"), c.expectedRef);
    EXPECT_EQ(saved.attr(cache, "cacheSource/worksheetSource", "sheet"), "明細");
    EXPECT_EQ(saved.attr(cache, "/pivotCacheDefinition", "refreshOnLoad"), "1");
    EXPECT_EQ(saved.attr(cache, "/pivotCacheDefinition", "saveData"), "0");
    EXPECT_FALSE(saved.xml(cache).attribute("r:id"));
    EXPECT_FALSE(saved.xml(cache).attribute("recordCount"));
    EXPECT_FALSE(saved.has("xl/pivotCache/pivotCacheRecords1.xml"));
    EXPECT_FALSE(saved.has("xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels"));
    EXPECT_EQ(saved.bytes("[Content_Types].xml").find("pivotCacheRecords"), std::string::npos);
    // The table itself and the links to it are as the template has them.
    EXPECT_EQ(saved.bytes("xl/pivotTables/pivotTable1.xml"), tableBefore);
    EXPECT_TRUE(saved.xml("xl/workbook.xml").select_node("pivotCaches/pivotCache[@cacheId='1']"));
}

INSTANTIATE_TEST_SUITE_P(Extents, PivotRefresh,
                         ::testing::Values(PivotCase{"Grown", 5, "A1:B6"}, PivotCase{"Shrunk", 1, "A1:B2"},
                                           // A source needs one row below its headings.
                                           PivotCase{"HeadingsOnly", 0, "A1:B2"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(WorkbookTest, PivotSourceGivenByADefinedNameMovesTheName)
{
    const QString path = write(pivotBook(R"(<worksheetSource name="データ範囲"/>)",
                                         R"(<definedNames><definedName name="データ範囲">明細!$A$1:$B$3</definedName></definedNames>)"));
    {
        Workbook book(path);
        fillData(book.sheet(2), 3);
        book.sheet(1).refreshPivotTable(QString::fromUtf8(PivotName));
        book.save();
    }
    Saved saved(path);
    EXPECT_EQ(std::string(saved.xml("xl/workbook.xml").select_node("definedNames/definedName").node().text().get()),
              "'明細'!$A$1:$B$4");
}

// --- Packages and files -----------------------------------------------------

TEST_F(WorkbookTest, PartsNotEditedAreWrittenBackByteForByte)
{
    Book b;
    b.sheets = {{"Sheet1", "<sheetData/>"}, {"Sheet2", R"(<sheetData><row r="1"><c r="A1"><v>9</v></c></row></sheetData>)"}};
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    b.extra["xl/media/image1.png"] = png;
    b.extra["docProps/custom.xml"] = "<?xml version=\"1.0\"?>\n<Properties>  <!-- kept as written -->  </Properties>\n";
    const QString path = write(b);
    const auto before = readPackage(path);
    {
        Workbook book(path);
        book.sheet(2).cell(1, 1); // reading changes nothing
        book.sheet(1).setText(1, 1, QStringLiteral("x"));
        book.save();
    }
    const auto after = readPackage(path);
    std::vector<std::string> names, namesBefore;
    for (const auto &[name, bytes] : before)
        namesBefore.push_back(name);
    for (const auto &[name, bytes] : after)
        names.push_back(name);
    EXPECT_EQ(names, namesBefore);
    for (const char *part : {"xl/media/image1.png", "docProps/custom.xml", "xl/worksheets/sheet2.xml", "xl/styles.xml",
                             "xl/workbook.xml", "[Content_Types].xml"}) {
        SCOPED_TRACE(part);
        EXPECT_EQ(after.at(part), before.at(part));
    }
    EXPECT_NE(after.at("xl/worksheets/sheet1.xml"), before.at("xl/worksheets/sheet1.xml"));
}

TEST_F(WorkbookTest, AWorkbookWithoutStylesGetsOneWhenFormatted)
{
    Book b = oneSheet(R"(<sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData>)");
    Parts p = b.parts();
    p.erase("xl/styles.xml");
    std::string &rels = p["xl/_rels/workbook.xml.rels"];
    const auto at = rels.find("<Relationship Id=\"rIdS\"");
    rels.erase(at, rels.find("/>", at) + 2 - at);
    const QString path = dir.filePath(QStringLiteral("nostyles.xls"));
    writePackage(path, p);
    {
        Workbook book(path);
        book.sheet(1).drawBottomBorder(QStringLiteral("A1"));
        book.save();
    }
    Saved saved(path);
    EXPECT_TRUE(saved.has("xl/styles.xml"));
    EXPECT_NE(saved.bytes("[Content_Types].xml").find("/xl/styles.xml"), std::string::npos);
    EXPECT_NE(saved.bytes("xl/_rels/workbook.xml.rels").find("styles.xml"), std::string::npos);
    EXPECT_EQ(saved.attr("xl/styles.xml", "borders/border[2]/bottom", "style"), "thin");
}

TEST_F(WorkbookTest, RefusedCallsGiveTheirNumbers)
{
    const QString path = write(pivotBook(R"(<worksheetSource ref="A1:B3" sheet="明細"/>)"));
    Workbook book(path);
    Worksheet ws = book.sheet(1);
    const struct {
        const char *name;
        std::function<void()> action;
        int number;
    } cases[] = {
        {"sheet 0", [&] { book.sheet(0); }, WorkbookErr::SubscriptOutOfRange},
        {"sheet past the last", [&] { book.sheet(3); }, WorkbookErr::SubscriptOutOfRange},
        {"unknown sheet name", [&] { book.sheet(QStringLiteral("なし")); }, WorkbookErr::SubscriptOutOfRange},
        {"row 0", [&] { ws.cell(0, 1); }, WorkbookErr::Refused},
        {"column past XFD", [&] { ws.setText(1, 16385, QStringLiteral("x")); }, WorkbookErr::Refused},
        {"text too long", [&] { ws.setText(1, 1, QString(32768, u'x')); }, WorkbookErr::Refused},
        {"not a number", [&] { ws.setNumber(1, 1, std::nan("")); }, DbErr::Overflow},
        {"bad column range", [&] { ws.autoFitColumns(QStringLiteral("A1:K")); }, WorkbookErr::Refused},
        {"bad cell range", [&] { ws.drawBottomBorder(QStringLiteral("A:J")); }, WorkbookErr::Refused},
        {"unknown pivot table", [&] { ws.refreshPivotTable(QStringLiteral("ピボットテーブル1")); }, WorkbookErr::Refused},
        {"pivot table on another sheet", [&] { book.sheet(2).refreshPivotTable(QString::fromUtf8(PivotName)); },
         WorkbookErr::Refused},
        {"unknown style", [&] { ws.setColumnStyle(QStringLiteral("C:D"), QStringLiteral("見出し")); }, WorkbookErr::Refused},
        {"password beyond ASCII", [&] { ws.protect(QStringLiteral("パスワード")); }, WorkbookErr::InvalidCall},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectDbError(c.action, c.number);
    }
}

TEST_F(WorkbookTest, OpeningFailsWithTheFilesProblem)
{
    const QString missing = dir.filePath(QStringLiteral("COR/ChangeHist"));
    expectDbError([&] { Workbook book(missing); }, DbErr::FileNotFound);
    EXPECT_FALSE(QFileInfo::exists(missing));

    const QString text = dir.filePath(QStringLiteral("text.xls"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("ID;PWXL\n");
    f.close();
    expectDbError([&] { Workbook book(text); }, WorkbookErr::Refused);

    // A zip that is no workbook.
    const QString zip = dir.filePath(QStringLiteral("other.xls"));
    writePackage(zip, {{"readme.txt", "x"}});
    expectDbError([&] { Workbook book(zip); }, WorkbookErr::Refused);

    // A workbook whose sheet is not well-formed XML.
    Book broken = oneSheet("<sheetData><row>");
    const QString brokenPath = write(broken, QStringLiteral("broken.xls"));
    expectDbError([&] { Workbook book(brokenPath); book.sheet(1); }, WorkbookErr::Refused);
}

TEST_F(WorkbookTest, AFailedSaveLeavesNoFileBehind)
{
    // The output folder vanished between opening and saving.
    QDir(dir.path()).mkdir(QStringLiteral("out"));
    const QString gone = write(oneSheet("<sheetData/>"), QStringLiteral("out/CH.xls"));
    {
        Workbook book(gone);
        book.sheet(1).setText(2, 1, QStringLiteral("x"));
        ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("out"))).removeRecursively());
        expectDbError([&] { book.save(); }, DbErr::PathAccess);
    }
    EXPECT_FALSE(QFileInfo::exists(gone));

    // The final name is taken by a folder: the rename fails and the
    // temporary file beside it is removed.
    const QString taken = write(oneSheet("<sheetData/>"), QStringLiteral("taken.xls"));
    {
        Workbook book(taken);
        book.sheet(1).setText(2, 1, QStringLiteral("x"));
        ASSERT_TRUE(QFile::remove(taken));
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.xls")));
        expectDbError([&] { book.save(); }, DbErr::PathAccess);
    }
    EXPECT_TRUE(QFileInfo(taken).isDir());
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("taken.xls")});
}

TEST_F(WorkbookTest, AReadOnlyFolderKeepsTheCopyAsItWas)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    QDir(dir.path()).mkdir(QStringLiteral("ro"));
    const QString path = write(oneSheet("<sheetData/>"), QStringLiteral("ro/CH.xls"));
    const QString folder = dir.filePath(QStringLiteral("ro"));
    QFile(path).setPermissions(QFile::ReadOwner);
    const auto before = readPackage(path);
    QFile(folder).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    {
        Workbook book(path);
        book.sheet(1).setText(2, 1, QStringLiteral("x"));
        expectDbError([&] { book.save(); }, DbErr::PathAccess);
    }
    QFile(folder).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readPackage(path), before);
    EXPECT_EQ(folderEntries(folder), QStringList{QStringLiteral("CH.xls")});
}

TEST_F(WorkbookTest, SavingTwiceKeepsBothRoundsOfChanges)
{
    const QString path = write(oneSheet("<sheetData/>"));
    Workbook book(path);
    book.sheet(1).setText(1, 1, u("一回目"));
    book.save();
    book.sheet(1).setText(2, 1, u("二回目"));
    book.save();
    Workbook reopened(path);
    EXPECT_EQ(reopened.sheet(1).cell(1, 1), CellValue::ofText(u("一回目")));
    EXPECT_EQ(reopened.sheet(1).cell(2, 1), CellValue::ofText(u("二回目")));
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("book.xls")});
}

// Where LibreOffice is installed, it reads the filled template as the
// operator will see it.
TEST_F(WorkbookTest, LibreOfficeReadsTheFilledTemplate)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QString path = copyOfChangeHist();
    {
        Workbook book(path);
        book.sheet(1).setText(2, 5, u("ﾃｨｰｼｬﾂ <半袖> & 長袖"));
        book.sheet(1).setNumber(2, 10, 12);
        book.sheet(1).autoFitColumns(QStringLiteral("A:K"));
        book.sheet(1).drawBottomBorder(QStringLiteral("A2:K2"));
        book.sheet(1).protect(QStringLiteral("kopram_RZN"));
        book.save();
    }
    const QString xlsx = dir.filePath(QStringLiteral("check.xlsx"));
    ASSERT_TRUE(QFile::copy(path, xlsx));
    const QStringList lines = libreOfficeLines(dir.path(), xlsx);
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(u("発注日,発注No,伝票No"))) << lines[0].toStdString();
    const QStringList fields = lines[1].trimmed().split(u',');
    ASSERT_GE(fields.size(), 10);
    EXPECT_EQ(fields[4], u("ﾃｨｰｼｬﾂ <半袖> & 長袖"));
    EXPECT_EQ(fields[9], QStringLiteral("12"));
}

// The pivot table shows the sums of the data written after the template
// was saved, not the template's stale ones.
TEST_F(WorkbookTest, LibreOfficeShowsCurrentPivotSums)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QString path = write(pivotBook(R"(<worksheetSource ref="A1:B3" sheet="明細"/>)"), QStringLiteral("pivot.xlsx"));
    {
        Workbook book(path);
        Worksheet data = book.sheet(2);
        const struct {
            const char *tag;
            int count;
        } rows[] = {{"A", 5}, {"B", 1}, {"A", 7}, {"C", 30}};
        int r = 2;
        for (const auto &row : rows) {
            data.setText(r, 1, QString::fromLatin1(row.tag));
            data.setNumber(r, 2, row.count);
            ++r;
        }
        book.sheet(1).refreshPivotTable(QString::fromUtf8(PivotName));
        book.save();
    }
    const QStringList lines = libreOfficeLines(dir.path(), path);
    const QString all = lines.join(u'|');
    EXPECT_TRUE(lines.contains(QStringLiteral("A,12"))) << all.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("B,1"))) << all.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("C,30"))) << all.toStdString();
}

} // namespace
