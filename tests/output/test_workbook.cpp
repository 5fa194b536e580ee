// The workbook component: cell values, worksheets and the built template,
// column widths.

#include "WorkbookTestSupport.h"

namespace {

// --- Cell values ------------------------------------------------------------

struct RoundTrip {
    const char *name;
    CellValue value;
};

const RoundTrip roundTrips[] = {
    {"Japanese", CellValue::ofText(u("数量と売単価"))},
    {"HalfWidthKatakana", CellValue::ofText(u("ｶｽﾀﾑ ﾊﾞｯｸﾞ"))},
    {"XmlSpecials", CellValue::ofText(u("<a href=\"x\">&amp;</a> 'y'"))},
    {"EdgeBlanks", CellValue::ofText(u("  前後に空白  "))},
    {"OneBlank", CellValue::ofText(u(" "))},
    {"LineBreaks", CellValue::ofText(u("1行目\n2行目"))},
    {"CarriageReturn", CellValue::ofText(u("a\r\nb"))},
    {"ControlCharacter", CellValue::ofText(u("A\x01" "B\x1f"))},
    {"LiteralEscapeLookalike", CellValue::ofText(u("_x0041_ and _x00"))},
    {"OutsideBasicPlane", CellValue::ofText(u("𠮷野家"))},
    {"Zero", CellValue::ofNumber(0)},
    {"NegativeFraction", CellValue::ofNumber(-1.5)},
    {"TenthsOfPieces", CellValue::ofNumber(2.5)},
    {"PointOne", CellValue::ofNumber(0.1)},
    {"LargeInteger", CellValue::ofNumber(123456789012.0)},
    {"Small", CellValue::ofNumber(1e-7)},
};

void PrintTo(const RoundTrip &c, std::ostream *os)
{
    *os << c.name;
}

class CellRoundTrip : public WorkbookTest,
                      public ::testing::WithParamInterface<std::tuple<bool, RoundTrip>> {};

TEST_P(CellRoundTrip, ReadsBackWhatWasWritten)
{
    const auto [sharedStrings, c] = GetParam();
    const QString path = write(oneSheet("<sheetData/>", sharedStrings));
    {
        Workbook book(path);
        Worksheet ws = book.sheet(1);
        if (c.value.type == CellValue::Type::Text)
            ws.setText(3, 2, c.value.text);
        else
            ws.setNumber(3, 2, c.value.number);
        EXPECT_EQ(ws.cell(3, 2), c.value);
        book.save();
    }
    Workbook reopened(path);
    EXPECT_EQ(reopened.sheet(1).cell(3, 2), c.value);

    Saved saved(path);
    const std::string type = saved.attr("xl/worksheets/sheet1.xml", "//c[@r='B3']", "t");
    if (c.value.type == CellValue::Type::Number)
        EXPECT_EQ(type, "");
    else
        EXPECT_EQ(type, sharedStrings ? "s" : "inlineStr");
}

INSTANTIATE_TEST_SUITE_P(Values, CellRoundTrip,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(roundTrips)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param) ? "Shared_" : "Inline_")
                                    + std::get<1>(info.param).name;
                         });

TEST_F(WorkbookTest, CharactersXmlCannotCarryAreStoredInTheSpreadsheetsEscapes)
{
    const QString path = write(oneSheet("<sheetData/>"));
    Workbook book(path);
    book.sheet(1).setText(1, 1, u("A\x01" "B"));
    book.sheet(1).setText(1, 2, u("_x0041_"));
    book.sheet(1).setText(1, 3, u(" 先頭"));
    book.save();

    Saved saved(path);
    pugi::xml_node sst = saved.xml("xl/sharedStrings.xml");
    EXPECT_EQ(std::string(sst.select_node("si[1]/t").node().text().get()), "A_x0001_B");
    EXPECT_EQ(std::string(sst.select_node("si[2]/t").node().text().get()), "_x005F_x0041_");
    EXPECT_EQ(std::string(sst.select_node("si[3]/t").node().attribute("xml:space").value()), "preserve");
    EXPECT_EQ(std::string(sst.attribute("uniqueCount").value()), "3");
}

TEST_F(WorkbookTest, ReadsRichTextWithoutItsPhoneticRuns)
{
    Book b = oneSheet(R"(<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c>)"
                      R"(<c r="B1" t="inlineStr"><is><t>インライン</t></is></c>)"
                      R"(<c r="C1" t="b"><v>1</v></c><c r="D1" t="e"><v>#N/A</v></c>)"
                      R"(<c r="E1" t="str"><f>A1&amp;"!"</f><v>値札!</v></c></row></sheetData>)");
    b.sharedItems = "<si><r><t>値</t></r><r><rPr><b/></rPr><t>札</t></r><rPh sb=\"0\" eb=\"1\"><t>ネ</t></rPh></si>";
    Workbook book(write(b));
    Worksheet ws = book.sheet(1);
    EXPECT_EQ(ws.cell(1, 1), CellValue::ofText(u("値札")));
    EXPECT_EQ(ws.cell(1, 2), CellValue::ofText(u("インライン")));
    EXPECT_EQ(ws.cell(1, 3), (CellValue{CellValue::Type::Boolean, {}, 1}));
    EXPECT_EQ(ws.cell(1, 4), (CellValue{CellValue::Type::Error, QStringLiteral("#N/A"), 0}));
    EXPECT_EQ(ws.cell(1, 5), CellValue::ofText(u("値札!")));
    EXPECT_EQ(ws.cell(2, 1), CellValue{});
}

TEST_F(WorkbookTest, NewCellsAndRowsAreKeptInSheetOrder)
{
    const QString path = write(oneSheet(R"(<sheetData><row r="2" spans="1:2"><c r="B2"><v>7</v></c></row></sheetData>)"));
    {
        Workbook book(path);
        Worksheet ws = book.sheet(1);
        ws.setNumber(5, 3, 1);
        ws.setNumber(2, 27, 2);
        ws.setNumber(2, 1, 3);
        ws.setNumber(5, 1, 4);
        ws.setText(1, 2, QStringLiteral("x"));
        book.save();
    }
    Saved saved(path);
    std::vector<std::string> refs;
    for (pugi::xpath_node n : saved.xml("xl/worksheets/sheet1.xml").select_nodes("sheetData/row/c"))
        refs.push_back(n.node().attribute("r").value());
    EXPECT_EQ(refs, (std::vector<std::string>{"B1", "A2", "B2", "AA2", "A5", "C5"}));
    EXPECT_EQ(saved.attr("xl/worksheets/sheet1.xml", "dimension", "ref"), "A1:AA5");
    // A stale span would hide the new cells from readers that trust it.
    EXPECT_EQ(saved.attr("xl/worksheets/sheet1.xml", "sheetData/row[@r='2']", "spans"), "");
}

TEST_F(WorkbookTest, OverwritingKeepsTheCellFormatAndDropsTheFormula)
{
    Book b = oneSheet(R"(<sheetData><row r="1"><c r="A1" s="1"><f>1+1</f><v>2</v></c></row></sheetData>)");
    b.styles.replace(b.styles.find("</cellXfs>"), 0, R"(<xf numFmtId="3" fontId="0" fillId="0" borderId="0" xfId="0"/>)");
    b.workbookRels = std::string("<Relationship Id=\"rIdC\" Type=\"") + RelTypes + "calcChain\" Target=\"calcChain.xml\"/>";
    b.extra["xl/calcChain.xml"] = std::string("<calcChain xmlns=\"") + MainNs + "\"><c r=\"A1\" i=\"1\"/></calcChain>";
    const QString path = write(b);
    {
        Workbook book(path);
        book.sheet(1).setNumber(1, 1, 1500);
        book.save();
    }
    Saved saved(path);
    EXPECT_EQ(saved.attr("xl/worksheets/sheet1.xml", "//c[@r='A1']", "s"), "1");
    EXPECT_FALSE(saved.xml("xl/worksheets/sheet1.xml").select_node("//c[@r='A1']/f"));
    // The calculation chain named a formula that is gone; Excel rebuilds a
    // missing chain but reports a wrong one as damage.
    EXPECT_FALSE(saved.has("xl/calcChain.xml"));
    EXPECT_EQ(saved.bytes("xl/_rels/workbook.xml.rels").find("calcChain"), std::string::npos);
}

TEST_F(WorkbookTest, AnEmptyTextClearsTheValueOnly)
{
    const QString path = write(oneSheet(R"(<sheetData><row r="1"><c r="A1" s="0" t="inlineStr"><is><t>x</t></is></c></row></sheetData>)"));
    Workbook book(path);
    book.sheet(1).setText(1, 1, QString());
    EXPECT_EQ(book.sheet(1).cell(1, 1), CellValue{});
}

// --- Worksheets and the built template --------------------------------------

TEST_F(WorkbookTest, SheetsAreTakenByPositionOrByNameAndChartSheetsDoNotCount)
{
    Book b;
    b.sheets = {{"明細", "<sheetData/>"}, {"集計", "<sheetData/>"}};
    b.workbookExtra = "";
    // A chart sheet listed between them is no worksheet.
    Parts p = b.parts();
    std::string &wb = p["xl/workbook.xml"];
    wb.replace(wb.find("</sheets>"), 0, R"(<sheet name="グラフ" sheetId="9" r:id="rIdG"/>)");
    std::string &rels = p["xl/_rels/workbook.xml.rels"];
    rels.replace(rels.find("</Relationships>"), 0,
                 std::string("<Relationship Id=\"rIdG\" Type=\"") + RelTypes + "chartsheet\" Target=\"chartsheets/sheet1.xml\"/>");
    p["xl/chartsheets/sheet1.xml"] = std::string("<chartsheet xmlns=\"") + MainNs + "\"/>";
    const QString path = dir.filePath(QStringLiteral("sheets.xls"));
    writePackage(path, p);

    Workbook book(path);
    EXPECT_EQ(book.sheetCount(), 2);
    EXPECT_EQ(book.sheet(1).name(), u("明細"));
    EXPECT_EQ(book.sheet(2).name(), u("集計"));
    book.sheet(QStringLiteral("集計")).setNumber(1, 1, 5);
    EXPECT_EQ(book.sheet(2).cell(1, 1), CellValue::ofNumber(5));
    EXPECT_EQ(book.sheet(1).cell(1, 1), CellValue{});
}

TEST_F(WorkbookTest, ChangeHistTemplateHasTheHeadingsInAJapaneseFont)
{
    Saved tmpl(changeHistTemplate());
    for (const auto &[name, bytes] : tmpl.all()) {
        SCOPED_TRACE(name);
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_buffer(bytes.data(), bytes.size()));
    }
    EXPECT_EQ(tmpl.all().begin()->first, "[Content_Types].xml");
    EXPECT_EQ(tmpl.attr("xl/styles.xml", "fonts/font[1]/name", "val"), "IPAゴシック");
    EXPECT_EQ(tmpl.attr("xl/styles.xml", "fonts/font[1]/charset", "val"), "128");

    Workbook book(copyOfChangeHist());
    ASSERT_EQ(book.sheetCount(), 1);
    const QStringList headings = {u("発注日"), u("発注No"), u("伝票No"), u("行No"), u("商品名"), u("サイズ名"),
                                  u("カラー名"), u("SKU"), u("変更項目"), u("変更前"), u("変更後")};
    for (int column = 1; column <= 12; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(book.sheet(1).cell(1, column),
                  column <= 11 ? CellValue::ofText(headings[column - 1]) : CellValue{});
    }
}

TEST_F(WorkbookTest, ChangeHistoryRowsFillTheCopiedTemplate)
{
    const QString path = copyOfChangeHist();
    {
        Workbook book(path);
        Worksheet ws = book.sheet(1);
        const QStringList texts = {QStringLiteral("240520"), QStringLiteral("1234567"), QStringLiteral("000123"),
                                   QStringLiteral("01"), u("ﾃｨｰｼｬﾂ 半袖"), QStringLiteral("M"), u("ｸﾛ"),
                                   QStringLiteral("4901234567890"), u("数量")};
        for (int column = 1; column <= texts.size(); ++column)
            ws.setText(2, column, texts[column - 1]);
        ws.setNumber(2, 10, 12);
        ws.setNumber(2, 11, 10.5);
        ws.setText(3, 9, u("売単価"));
        ws.setText(3, 10, QStringLiteral("0001900"));
        ws.setNumber(3, 11, 1800);
        ws.setText(4, 9, u("数量"));
        ws.autoFitColumns(QStringLiteral("A:K"));
        book.save();
    }
    Workbook book(path);
    Worksheet ws = book.sheet(1);
    EXPECT_EQ(ws.cell(1, 9), CellValue::ofText(u("変更項目")));
    EXPECT_EQ(ws.cell(2, 5), CellValue::ofText(u("ﾃｨｰｼｬﾂ 半袖")));
    EXPECT_EQ(ws.cell(2, 11), CellValue::ofNumber(10.5));
    EXPECT_EQ(ws.cell(3, 10), CellValue::ofText(QStringLiteral("0001900")));

    Saved saved(path);
    // "ﾃｨｰｼｬﾂ 半袖": six half-width katakana, a blank and two full-width.
    EXPECT_EQ(saved.attr("xl/worksheets/sheet1.xml", "cols/col[@min='5']", "width"), "12");
    EXPECT_EQ(saved.attr("xl/worksheets/sheet1.xml", "cols/col[@min='8']", "width"), "14");
    // Eleven headings and eleven new texts; the second "数量" is shared.
    EXPECT_EQ(saved.attr("xl/sharedStrings.xml", "/sst", "uniqueCount"), "22");
}

// --- Column widths ----------------------------------------------------------

TEST_F(WorkbookTest, AutoFitCountsFullWidthAsTwoAndLeavesOtherColumnsAlone)
{
    Book b = oneSheet(
        R"(<cols><col min="6" max="10" width="20" customWidth="1"/></cols><sheetData>)"
        R"(<row r="1"><c r="A1" t="inlineStr"><is><t>ＡＢＣ</t></is></c><c r="B1" t="inlineStr"><is><t>ABC</t></is></c>)"
        R"(<c r="C1" t="inlineStr"><is><t>ｶｽﾀﾑ</t></is></c><c r="D1" t="inlineStr"><is><t>数量12</t></is></c>)"
        R"(<c r="E1"><v>12345</v></c><c r="G1" s="1" t="inlineStr"><is><t>AB</t></is></c>)"
        R"(<c r="H1" t="inlineStr"><is><t>outside the range</t></is></c></row>)"
        R"(<row r="2"><c r="A2" t="inlineStr"><is><t>AB</t></is></c><c r="B2" t="inlineStr"><is><t>x</t></is></c></row>)"
        R"(</sheetData>)",
        false);
    b.styles.replace(b.styles.find("</fonts>"), 0, R"(<font><sz val="22"/><name val="IPAゴシック"/></font>)");
    b.styles.replace(b.styles.find("</cellXfs>"), 0, R"(<xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0"/>)");
    const QString path = write(b);
    {
        Workbook book(path);
        book.sheet(1).autoFitColumns(QStringLiteral("A:G"));
        book.save();
    }
    Saved saved(path);
    std::vector<std::tuple<std::string, std::string, std::string>> cols;
    for (pugi::xpath_node n : saved.xml("xl/worksheets/sheet1.xml").select_nodes("cols/col"))
        cols.emplace_back(n.node().attribute("min").value(), n.node().attribute("max").value(),
                          n.node().attribute("width").value());
    // Width: the widest cell in half-width characters plus one for the
    // margins; the 22-point "AB" counts double; F has no value and keeps 20.
    EXPECT_EQ(cols, (std::vector<std::tuple<std::string, std::string, std::string>>{
                        {"1", "1", "7"},
                        {"2", "2", "4"},
                        {"3", "3", "5"},
                        {"4", "4", "7"},
                        {"5", "5", "6"},
                        {"6", "6", "20"},
                        {"7", "7", "5"},
                        {"8", "10", "20"}}));
}

TEST_F(WorkbookTest, AutoFitSkipsMergedCellsAndShowsNumbersAsFormatted)
{
    Book b = oneSheet(R"(<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>とても長い見出しの結合セル</t></is></c></row>)"
                      R"(<row r="2"><c r="A2" t="inlineStr"><is><t>ab</t></is></c><c r="B2" s="1"><v>1234567</v></c></row></sheetData>)"
                      R"(<mergeCells count="1"><mergeCell ref="A1:C1"/></mergeCells>)",
                      false);
    b.styles.replace(b.styles.find("</cellXfs>"), 0, R"(<xf numFmtId="3" fontId="0" fillId="0" borderId="0" xfId="0"/>)");
    const QString path = write(b);
    {
        Workbook book(path);
        book.sheet(1).autoFitColumns(QStringLiteral("A:B"));
        book.save();
    }
    Saved saved(path);
    EXPECT_EQ(saved.attr("xl/worksheets/sheet1.xml", "cols/col[@min='1']", "width"), "3");
    // "1,234,567"
    EXPECT_EQ(saved.attr("xl/worksheets/sheet1.xml", "cols/col[@min='2']", "width"), "10");
}

} // namespace
