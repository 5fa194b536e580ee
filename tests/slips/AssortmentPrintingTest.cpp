// Assortment lists through the recording renderer: the header, the store
// blocks, the item rows with their per-store cells, the totals, and the
// further pages of an order too large for one.
#include "PrintTestSupport.h"

#include "store/Settings.h"
#include "slips/AssortmentPrinting.h"

namespace {

using SlipRows::Fields;

class Lists : public PrintFixture {
protected:
    // The slip of one store in order group `order` of batch 1.
    void store(int h2, const QString &code, const QString &name, Fields more = {})
    {
        Fields f{{"OMHCNO", "1000001"}, {"OMTRCD", "123456"}, {"OMTRKN", "ｶ)ﾄﾊﾞﾘ"}, {"OMTCD2", "012"},
                 {"OMGNCD", "0101"},    {"OMNKDT", "250131"}, {"OMOPYY", "25"},     {"OMOPMM", "01"},
                 {"OMOLDT", "250110"},  {"OMSLDT", "250228"}, {"OMMDNO", "07"},     {"OMBYKN", "ﾀﾅｶ"},
                 {"OMHCKB", "0"},       {"OMFUDA", "1"},      {"OMMSCD", code},     {"OMMSKN", name},
                 {"OMDNNO", QString::number(100000 + h2)}};
        for (auto it = more.begin(); it != more.end(); ++it)
            f.insert(it.key(), it.value());
        SlipRows::slip(*db, 1, h2, f);
    }

    // A line of item `sku` (the other item columns fixed) on slip `h2`.
    void item(int h2, int bd, const QString &sku, const char *sury, Fields more = {})
    {
        Fields f{{"ONLINE", "01"},      {"ONSKU", sku},           {"ONSYGN", "AB-1234"}, {"ONCLCD", "01"},
                 {"ONCLKN", "ｱｶ"},      {"ONSZKN", "M"},          {"ONSYKN", "ﾆｯﾄｾｰﾀｰ"},  {"ONHNCD", "01"},
                 {"ONSYKB", "10"},      {"ONGTNK", "000120050"},  {"ONKBIK", "002900"}, {"ONNFKB", "1"}};
        for (auto it = more.begin(); it != more.end(); ++it)
            f.insert(it.key(), it.value());
        SlipRows::line(*db, 1, h2, bd, QString::fromLatin1(sury), QStringLiteral("0001980"), f);
    }

    // `n` stores S001, S002, ..., each with one line of item 000001.
    void stores(int n, const char *sury = "000010")
    {
        for (int i = 1; i <= n; ++i) {
            store(i, QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("店%1").arg(i));
            item(i, 1000 + i, QStringLiteral("000001"), sury);
        }
    }

    int printLists(PrintProgress *progress = nullptr)
    {
        return print(QStringLiteral("Select TH2.OMHCNO,TH2.OMTRCD,TH2.OMTRKN,TH2.OMTCD2,TH2.OMGNCD,TH2.OMNKDT,"
                                    "TH2.OMOPYY,TH2.OMOPMM,TH2.OMOLDT,TH2.OMSLDT,TH2.OMMDNO,TH2.OMBYKN,TH2.OMHCKB,"
                                    "TH2.OMFUDA,TH2.INDEXNOH1 From TBL_RD_H2 TH2 Group By TH2.OMHCNO,TH2.OMTRCD,"
                                    "TH2.OMTRKN,TH2.OMTCD2,TH2.OMGNCD,TH2.OMNKDT,TH2.OMOPYY,TH2.OMOPMM,TH2.OMOLDT,"
                                    "TH2.OMSLDT,TH2.OMMDNO,TH2.OMBYKN,TH2.OMHCKB,TH2.OMFUDA,TH2.INDEXNOH1 "
                                    "Order By TH2.OMHCNO"),
                     false, progress);
    }

    RecordedPage page(size_t i = 0) const { return renderer.pages().at(i); }
};

TEST_F(Lists, HeaderItemColumnsStoresAndTotals)
{
    Settings::write(SettingKey::ShinaPrinter, QStringLiteral("品揃プリンタ"));
    store(10, QStringLiteral("105"), QStringLiteral("ﾐﾅﾐ店"));
    store(11, QStringLiteral("101"), QStringLiteral("ｷﾀ店"));
    item(10, 100, QStringLiteral("000001"), "000150");
    item(11, 101, QStringLiteral("000001"), "000100");
    EXPECT_EQ(printLists(), 1);
    EXPECT_TRUE(last.complete);

    ASSERT_EQ(renderer.jobs().size(), 1u);
    EXPECT_EQ(renderer.jobs()[0].printerName, QStringLiteral("品揃プリンタ"));
    EXPECT_EQ(renderer.jobs()[0].jobName, QStringLiteral("トバリ品揃え表出力"));
    EXPECT_TRUE(renderer.jobs()[0].ended);
    EXPECT_EQ(renderer.calls()[2], QStringLiteral("openForm(") + folder.file("COR/AS.crf") + QLatin1Char(')'));

    const RecordedPage p = page();
    const std::pair<const char *, const char *> header[] = {
        {"Ha_No", "1000001"},        {"To_CD", "123456"},           {"To_Name", "ｶ)ﾄﾊﾞﾘ"},
        {"Ji_CD", "012"},            {"Ji_Name", ""},                {"Gunban", "0101"},
        {"Nouki", "2025/01/31"},     {"Syo_Tuki", "2025/01"},        {"Ha_Kikan", "～2025/01/10"},
        {"Han_Kikan", "～2025/02/28"}, {"BYR_CD", "07"},              {"BYR_Name", "ﾀﾅｶ"},
        {"Te_Pt", ""},               {"Ha_Ku", "0"},                 {"Ne_Ku", "1"},
        {"GyoumuKeitai", ""},        {"Genka_Kei", "30,012.5"},      {"Baika_Kei", "49,500"},
        {"Ha_Kei", "25."},           {"Sakusei_Bi", "2026/12/10"}};
    for (const auto &[field, value] : header)
        EXPECT_EQ(p.value(QString::fromLatin1(field)), QString::fromUtf8(value)) << field;

    // Stores in the order of their slips, not of their codes.
    EXPECT_EQ(p.cell("TenpoNo_1", 0, 0), "105");
    EXPECT_EQ(p.cell("TenpoNo_1", 1, 0), "101");
    EXPECT_EQ(p.value("tempomei_1_1"), QStringLiteral("ﾐﾅﾐ店"));
    EXPECT_EQ(p.value("tempomei_1_2"), QStringLiteral("ｷﾀ店"));

    const char *columns[] = {"000001", "AB-1234", "01",    "ｱｶ",  "M",          "ﾆｯﾄｾｰﾀｰ", "01",
                             "10",     "1,200.5", "1,980", "2,900", "25.", "プロパー値札"};
    for (int k = 0; k < 13; ++k)
        EXPECT_EQ(p.cell("ListHed", k, 0), QString::fromUtf8(columns[k])) << "column " << k;
    EXPECT_EQ(p.cell("LabSuuH", 0, 0), "1");
    for (int b = 1; b <= 6; ++b)
        EXPECT_EQ(p.cell(QStringLiteral("LabSuuM_%1").arg(b), 0, 0), "1") << b;
    EXPECT_EQ(p.cell("suuMeisai_1", 0, 0), "15");
    EXPECT_EQ(p.cell("suuMeisai_1", 1, 0), "10");
    EXPECT_EQ(p.cell("suuMeisai_1", 2, 0), "");
}

struct BlockCase {
    const char *name;
    int stores;
    const char *lastBlockField;  // where the last store's code stands
    int lastColumn;
    const char *unusedBlock;     // a block that stays empty, if any
};

void PrintTo(const BlockCase &c, std::ostream *os)
{
    *os << c.name;
}

class StoreBlocks : public Lists, public testing::WithParamInterface<BlockCase> {};

TEST_P(StoreBlocks, StoresFillBlocksOfThirty)
{
    const BlockCase &c = GetParam();
    stores(c.stores);
    EXPECT_EQ(printLists(), 1);
    const RecordedPage p = page();
    const int block = QString::fromLatin1(c.lastBlockField).right(1).toInt();
    const QString code = QStringLiteral("%1").arg(c.stores, 3, 10, QLatin1Char('0'));
    EXPECT_EQ(p.cell(QString::fromLatin1(c.lastBlockField), c.lastColumn, 0), code);
    EXPECT_EQ(p.value(QStringLiteral("tempomei_%1_%2").arg(block).arg(c.lastColumn + 1)),
              QStringLiteral("店%1").arg(c.stores));
    EXPECT_EQ(p.cell(QStringLiteral("suuMeisai_%1").arg(block), c.lastColumn, 0), "1");
    if (c.unusedBlock) {
        EXPECT_FALSE(p.isSet(QString::fromLatin1(c.unusedBlock)));
    }
    // Row numbers go to all six blocks whatever the number of stores.
    EXPECT_EQ(p.cell("LabSuuM_6", 0, 0), "1");
    EXPECT_EQ(p.value("Ha_Kei"), QString::number(c.stores) + QLatin1Char('.'));
}

INSTANTIATE_TEST_SUITE_P(Lists, StoreBlocks,
                         testing::Values(BlockCase{"exactly_thirty", 30, "TenpoNo_1", 29, "TenpoNo_2"},
                                         BlockCase{"store_31_in_block_2", 31, "TenpoNo_2", 0, "TenpoNo_3"},
                                         BlockCase{"store_180_in_block_6", 180, "TenpoNo_6", 29, nullptr}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Lists, ItemForSomeStoresOnlyAndZeroQuantityLeaveCellsEmpty)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    store(2, QStringLiteral("002"), QStringLiteral("店2"));
    store(3, QStringLiteral("003"), QStringLiteral("店3"));
    item(1, 10, QStringLiteral("000001"), "000030");
    item(1, 11, QStringLiteral("000002"), "000000");
    item(2, 12, QStringLiteral("000002"), "000020");
    printLists();
    const RecordedPage p = page();
    const char *expected[2][3] = {{"3", "", ""}, {"", "2", ""}};
    for (int r = 0; r < 2; ++r)
        for (int s = 0; s < 3; ++s)
            EXPECT_EQ(p.cell("suuMeisai_1", s, r), QString::fromLatin1(expected[r][s])) << "item " << r << " store " << s;
    EXPECT_EQ(p.cell("ListHed", 11, 1), "2.");
}

TEST_F(Lists, HalfPieceRoundsInTheCellAndStaysInTheTotal)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    item(1, 10, QStringLiteral("000001"), "000155");
    printLists();
    const RecordedPage p = page();
    EXPECT_EQ(p.cell("suuMeisai_1", 0, 0), "16");
    EXPECT_EQ(p.cell("ListHed", 11, 0), "15.5");
    EXPECT_EQ(p.value("Ha_Kei"), "15.5");
    // 155 tenths at 1200.50 yen: 18,607.75 yen.
    EXPECT_EQ(p.value("Genka_Kei"), "18,607.75");
    EXPECT_EQ(p.value("Baika_Kei"), "30,690");
}

TEST_F(Lists, IntegralCostTotalKeepsThePoint)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    item(1, 10, QStringLiteral("000001"), "000010", {{"ONGTNK", "001800700"}});
    printLists();
    EXPECT_EQ(page().value("Genka_Kei"), "18,007.");
}

TEST_F(Lists, AdvanceOrderAndTagKindWithoutName)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"), {{"OMHCKB", "1"}, {"OMFUDA", "9"}});
    item(1, 10, QStringLiteral("000001"), "000010");
    printLists();
    const RecordedPage p = page();
    EXPECT_EQ(p.value("GyoumuKeitai"), QStringLiteral("（事前発注分）"));
    EXPECT_EQ(p.value("Ha_Ku"), "1");
    EXPECT_EQ(p.cell("ListHed", 12, 0), "");
}

TEST_F(Lists, StoreWithTwoSlipsIsOneColumn)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    store(2, QStringLiteral("002"), QStringLiteral("店2"));
    store(3, QStringLiteral("001"), QStringLiteral("店1"));
    item(1, 10, QStringLiteral("000001"), "000010");
    item(2, 11, QStringLiteral("000001"), "000020");
    item(3, 12, QStringLiteral("000001"), "000030");
    item(3, 13, QStringLiteral("000002"), "000040");
    printLists();
    const RecordedPage p = page();
    EXPECT_EQ(p.cell("TenpoNo_1", 0, 0), "001");
    EXPECT_EQ(p.cell("TenpoNo_1", 1, 0), "002");
    EXPECT_EQ(p.cell("TenpoNo_1", 2, 0), "");
    // The store's cell adds up its slips, as the item's total does.
    EXPECT_EQ(p.cell("suuMeisai_1", 0, 0), "4");
    EXPECT_EQ(p.cell("ListHed", 11, 0), "6.");
    EXPECT_EQ(p.cell("suuMeisai_1", 0, 1), "4");
}

TEST_F(Lists, GroupWithAnEmptyHeaderColumnFindsItsSlips)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"), {{"OMBYKN", QVariant()}});
    item(1, 10, QStringLiteral("000001"), "000010");
    printLists();
    EXPECT_EQ(page().cell("TenpoNo_1", 0, 0), "001");
    EXPECT_EQ(page().cell("suuMeisai_1", 0, 0), "1");
}

// Items come in the engine's order of their columns: Null before empty
// text, texts by their bytes (so a character beyond the 16-bit range comes
// after half-width kana), and Null and empty text are different items.
TEST_F(Lists, ItemsInTheEnginesOrderNullBeforeEmpty)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    const QString emoji = QString::fromUcs4(U"\U0001F455");
    item(1, 10, emoji, "000010");
    item(1, 11, QStringLiteral("ｱ"), "000020");
    item(1, 12, QStringLiteral("000002"), "000030");
    item(1, 13, QString(), "000040");
    item(1, 14, QStringLiteral("000002"), "000050", {{"ONCLKN", QVariant()}});
    item(1, 15, QStringLiteral("000002"), "000060", {{"ONCLKN", QString()}});
    item(1, 16, QStringLiteral("000002"), "000070", {{"ONCLKN", QString()}});
    item(1, 17, QStringLiteral("-"), "000080", {{"ONSKU", QVariant()}});
    printLists();
    const RecordedPage p = page();
    const std::pair<QString, const char *> rows[] = {
        {QString(), "8"}, {QString(), "4"}, {QStringLiteral("000002"), "5"}, {QStringLiteral("000002"), "13"},
        {QStringLiteral("000002"), "3"}, {QStringLiteral("ｱ"), "2"}, {emoji, "1"}};
    for (int r = 0; r < int(std::size(rows)); ++r) {
        EXPECT_EQ(p.cell("ListHed", 0, r), rows[r].first) << "row " << r;
        EXPECT_EQ(p.cell("suuMeisai_1", 0, r), QString::fromLatin1(rows[r].second)) << "row " << r;
    }
    EXPECT_EQ(p.cell("ListHed", 0, int(std::size(rows))), "");
    EXPECT_EQ(p.value("Ha_Kei"), "36.");
}

// A line without a quantity leaves its cell empty and adds nothing; the
// store keeps its column.
TEST_F(Lists, LineWithoutAQuantityAddsNothing)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    store(2, QStringLiteral("002"), QStringLiteral("店2"));
    item(1, 10, QStringLiteral("000001"), "000010");
    item(2, 11, QStringLiteral("000001"), "000020");
    db->execute(QStringLiteral("Update TBL_RD_BD Set ONSURY=Null Where INDEXNOBD=11"));
    printLists();
    const RecordedPage p = page();
    EXPECT_EQ(p.cell("TenpoNo_1", 1, 0), "002");
    EXPECT_EQ(p.cell("suuMeisai_1", 0, 0), "1");
    EXPECT_EQ(p.cell("suuMeisai_1", 1, 0), "");
    EXPECT_EQ(p.cell("ListHed", 11, 0), "1.");
}

// Quantities that add up beyond 64 bits stop the run with a message
// instead of printing a wrapped figure.
TEST_F(Lists, QuantitiesBeyond64BitsStopTheRun)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    store(2, QStringLiteral("002"), QStringLiteral("店2"));
    item(1, 10, QStringLiteral("000001"), "9223372036854775807");
    item(2, 11, QStringLiteral("000001"), "000001");
    EXPECT_THROW(printLists(), DbError);
    EXPECT_EQ(last.error, PrintErr::TooLarge);
    EXPECT_TRUE(last.errorText.contains(QStringLiteral("1000001"))) << last.errorText.toStdString();
    EXPECT_TRUE(renderer.pages().empty());
}

// A tag kind and division the master holds twice lists the item under
// each name, as the join with the master always has.
TEST_F(Lists, TagDivisionHeldTwiceListsTheItemUnderEachName)
{
    db->execute(QStringLiteral("Insert Into MST_HUDASYU(HUDA_SYU,HUDA_KU,HUDA_NAME) Values('1','1','別名値札')"));
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    item(1, 10, QStringLiteral("000001"), "000010");
    printLists();
    const RecordedPage p = page();
    EXPECT_EQ(p.cell("ListHed", 12, 0), QStringLiteral("プロパー値札"));
    EXPECT_EQ(p.cell("ListHed", 12, 1), QStringLiteral("別名値札"));
    EXPECT_EQ(p.cell("suuMeisai_1", 0, 1), "1");
    EXPECT_EQ(p.value("Ha_Kei"), "2.");
}

TEST_F(Lists, MoreThan180StoresContinueOnAFurtherPage)
{
    stores(181);
    EXPECT_EQ(printLists(), 2);
    const RecordedPage first = page(0);
    const RecordedPage second = page(1);
    EXPECT_EQ(first.value("GyoumuKeitai"), QStringLiteral("1/2ページ"));
    EXPECT_EQ(second.value("GyoumuKeitai"), QStringLiteral("2/2ページ"));
    EXPECT_EQ(first.cell("TenpoNo_6", 29, 0), "180");
    EXPECT_EQ(first.cell("suuMeisai_6", 29, 0), "1");
    EXPECT_EQ(second.cell("TenpoNo_1", 0, 0), "181");
    EXPECT_EQ(second.value("tempomei_1_1"), QStringLiteral("店181"));
    EXPECT_EQ(second.cell("suuMeisai_1", 0, 0), "1");
    EXPECT_FALSE(second.isSet("TenpoNo_2"));
    for (const RecordedPage *p : {&first, &second}) {
        EXPECT_EQ(p->value("Ha_No"), "1000001");
        EXPECT_EQ(p->cell("ListHed", 11, 0), "181.");
    }
    // The order's totals once, on its last page.
    EXPECT_FALSE(first.isSet("Ha_Kei"));
    EXPECT_EQ(second.value("Ha_Kei"), "181.");
}

TEST_F(Lists, MoreItemsThanRowsContinueOnAFurtherPage)
{
    store(1, QStringLiteral("001"), QStringLiteral("店1"));
    for (int i = 1; i <= 15; ++i)
        item(1, 100 + i, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')), "000010");
    EXPECT_EQ(printLists(), 2);
    const RecordedPage second = page(1);
    EXPECT_EQ(page(0).cell("LabSuuH", 0, 13), "14");
    EXPECT_EQ(second.cell("ListHed", 0, 0), "000015");
    EXPECT_EQ(second.cell("LabSuuH", 0, 0), "15");
    EXPECT_EQ(second.cell("LabSuuM_3", 0, 0), "15");
    EXPECT_EQ(second.cell("suuMeisai_1", 0, 0), "1");
    EXPECT_EQ(second.cell("ListHed", 0, 1), "");
    EXPECT_EQ(second.cell("TenpoNo_1", 0, 0), "001");
    EXPECT_EQ(second.value("Ha_Kei"), "15.");
}

TEST_F(Lists, StopBetweenListsLeavesTheRestUnprinted)
{
    for (int o = 0; o < 3; ++o) {
        store(o + 1, QStringLiteral("001"), QStringLiteral("店1"), {{"OMHCNO", QString::number(2000001 + o)}});
        item(o + 1, 10 + o, QStringLiteral("000001"), "000010");
    }
    CancelBeforePages progress({1});
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(printLists(&progress), 1);
    EXPECT_FALSE(last.complete);
    EXPECT_EQ(dialogs.shown().at(0).text, QStringLiteral("印刷を中止しますか？"));
    EXPECT_EQ(page().value("Ha_No"), "2000001");
    EXPECT_FALSE(renderer.jobs()[0].ended);
}

} // namespace
