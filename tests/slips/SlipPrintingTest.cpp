// Delivery slips through the recording renderer: the field values of each
// page, the decorations, the stamps, the calling order and the stop
// question between pages.
#include "PrintTestSupport.h"

#include "store/Settings.h"
#include "slips/SlipPrinting.h"

#include <QRegularExpression>

namespace {

using SlipRows::Fields;

// ------------------------------------------------------------ line rules

struct RuleCase {
    const char *name;
    QString (*rule)(const QString &);
    const char *stored;
    const char *printed;
};

void PrintTo(const RuleCase &c, std::ostream *os)
{
    *os << c.name;
}

class LineRule : public testing::TestWithParam<RuleCase> {};

TEST_P(LineRule, PrintsTheStoredFigure)
{
    EXPECT_EQ(GetParam().rule(QString::fromLatin1(GetParam().stored)), QString::fromLatin1(GetParam().printed));
}

INSTANTIATE_TEST_SUITE_P(
    Slips, LineRule,
    testing::Values(RuleCase{"price_with_sen", SlipRules::unitPrice, "000120050", "120050"},
                    RuleCase{"price_whole_yen", SlipRules::unitPrice, "000120000", "1200  "},
                    RuleCase{"price_below_one_yen", SlipRules::unitPrice, "000000005", "005"},
                    RuleCase{"price_without_leading_zeros", SlipRules::unitPrice, "98000", "980  "},
                    RuleCase{"quantity_whole", SlipRules::quantity, "000150", "15 "},
                    RuleCase{"quantity_with_tenth", SlipRules::quantity, "000155", "155"},
                    RuleCase{"quantity_below_one", SlipRules::quantity, "000005", "05"},
                    RuleCase{"quantity_zero", SlipRules::quantity, "000000", "0 "},
                    RuleCase{"quantity_empty", SlipRules::quantity, "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------ slips

class Slips : public PrintFixture {
protected:
    // A slip of batch 1 with the header fields the pages show.
    void slip(int h2, const char *dnno, Fields more = {})
    {
        Fields f{{"OMDNNO", dnno},   {"OMDNCK", "3"},    {"OMHCNO", "7654321"}, {"OMBYKN", "ﾀﾅｶ"},
                 {"OMOPYY", "26"},   {"OMOPMM", "12"},   {"OMTCD2", "012"},     {"OMGNCD", "0101"},
                 {"OMMSKN", "ﾐﾅﾐ店"}, {"OMMSCD", "105"},  {"OMTRCD", "123456"},  {"OMTRKN", "ｶ)ﾄﾊﾞﾘ"},
                 {"OMHCDT", "261201"}, {"OMNKDT", "261215"}, {"OMHCKB", "0"}};
        for (auto it = more.begin(); it != more.end(); ++it)
            f.insert(it.key(), it.value());
        SlipRows::slip(*db, 1, h2, f);
    }

    // An unchanged line: quantity and prices as imported, amounts to match.
    void line(int h2, int bd, const char *online, const char *sury, const char *gtnk, const char *btnk,
              const char *genj, const char *baij, Fields more = {})
    {
        Fields f{{"ONLINE", online}, {"ONGTNK", gtnk},      {"ONGENJ", genj},     {"ONBAIJ", baij},
                 {"ONSYGN", "AB-1234"}, {"ONSYKN", "ﾆｯﾄｾｰﾀｰ"}, {"ONHNCD", "01"},      {"ONSKU", "456789"},
                 {"ONCLKN", "ｱｶ"},     {"ONSZKN", "M"}};
        for (auto it = more.begin(); it != more.end(); ++it)
            f.insert(it.key(), it.value());
        SlipRows::line(*db, 1, h2, bd, QString::fromLatin1(sury), QString::fromLatin1(btnk), f);
    }

    // The corrected line of the chain's example: 15 ordered at 1200.50 yen
    // cost and 1980 yen selling, 12 delivered.
    void correctedLine(int h2, int bd, const char *online)
    {
        line(h2, bd, online, "000120", "000120050", "0001980", "0000014406", "0000023760",
             {{"ONSURYM", "0001500001980Y"}});
    }

    int printBatch(PrintProgress *progress = nullptr)
    {
        return print(QStringLiteral("Select * From TBL_RD_H2 Where INDEXNOH1=1 Order By INDEXNOH2"), true, progress);
    }

    QString issued(int h2)
    {
        return text(QStringLiteral("Select ifnull(HAKKOU_FLG,'') || '/' || ifnull(DEN_OP_DATE,'') || '/' || "
                                   "ifnull(DEN_EXP_CHECK,'') From TBL_RD_H2 Where INDEXNOH2=%1")
                        .arg(h2));
    }
};

TEST_F(Slips, HeaderFieldsAndCallingOrder)
{
    Settings::write(SettingKey::DenPrinter, QStringLiteral("伝票プリンタ"));
    slip(10, "123456");
    line(10, 100, "01", "000150", "000120050", "0001980", "0000018007", "0000029700");
    EXPECT_EQ(printBatch(), 1);

    ASSERT_EQ(renderer.jobs().size(), 1u);
    EXPECT_EQ(renderer.jobs()[0].printerName, QStringLiteral("伝票プリンタ"));
    EXPECT_EQ(renderer.jobs()[0].jobName, QStringLiteral("トバリ伝票出力"));
    EXPECT_TRUE(renderer.jobs()[0].ended);
    EXPECT_EQ(renderer.calls()[2], QStringLiteral("openForm(") + folder.file("COR/TA2.crf") + QLatin1Char(')'));
    const std::vector<FormOp> &ops = renderer.operations();
    const std::vector<FormOp> start{FormOp::Reset, FormOp::BeginJob, FormOp::OpenForm, FormOp::AttachForm,
                                    FormOp::ClearForm};
    EXPECT_EQ(std::vector<FormOp>(ops.begin(), ops.begin() + 5), start);
    const std::vector<FormOp> end{FormOp::PrintPage, FormOp::CloseForm, FormOp::EndJob};
    EXPECT_EQ(std::vector<FormOp>(ops.end() - 3, ops.end()), end);

    const RecordedPage p = renderer.pages().at(0);
    const std::pair<const char *, const char *> expected[] = {
        {"HATTYUU_NO", "7654321"}, {"BAYER_MEI", "ﾀﾅｶ"},       {"SYORI_TUKI", "26/12"},
        {"TENPO_CD", "012-0101-123456"}, {"SYAMEI", "KK ﾄﾊﾞﾘ"}, {"TENMEI", "ﾐﾅﾐ店"},
        {"SYA_TEN_CD", "105"},     {"BUNRUI_CD", "0101"},      {"DENPYOU_KUBUN", "01"},
        {"DENPYOU_NO", "1234563"}, {"TORIHIKISAKI_CD", "123456"}, {"TORIHIKISAKIMEI1", "ｶ)ﾄﾊﾞﾘ"},
        {"TORIHIKISAKIMEI2", ""},  {"HATTYUUBI", "261201"},    {"NOUKI", "261215"},
        {"HINMEI1_1", "AB-1234"},  {"HINMEI2_1", "ﾆｯﾄｾｰﾀｰ"},    {"SYOUHIN_CD1", "01-456789"},
        {"COLOR1", "ｱｶ"},          {"SIZE1", "M"},             {"GENKA1", "120050"},
        {"BAIKA1", "1980"}};
    for (const auto &[field, value] : expected)
        EXPECT_EQ(p.value(QString::fromLatin1(field)), QString::fromUtf8(value)) << field;
}

TEST_F(Slips, NullCheckCharacterPrintsTheBareSlipNumber)
{
    slip(10, "123456", {{"OMDNCK", QVariant()}});
    line(10, 100, "01", "000010", "000100000", "0001980", "0000001000", "0000001980");
    printBatch();
    EXPECT_EQ(renderer.pages().at(0).value("DENPYOU_NO"), "123456");
}

TEST_F(Slips, UnchangedTwoLineSlipPrintsTheOrderedTotalsOnly)
{
    slip(10, "123456");
    line(10, 100, "01", "000150", "000120050", "0001980", "0000018007", "0000029700");
    line(10, 101, "02", "000020", "000050000", "0000990", "0000001000", "0000001980");
    printBatch();
    const RecordedPage p = renderer.pages().at(0);
    for (const char *f : {"SUU1", "GENKA_KINGAKU1", "BAIKA_KINGAKU1", "SUU2", "GENKA_KINGAKU2", "BAIKA_KINGAKU2",
                          "GENKA_GOUKEI", "BAIKA_GOUKEI"})
        EXPECT_EQ(p.decoration(QString::fromLatin1(f)), 0) << f;
    EXPECT_EQ(p.value("SUU1"), "15 ");
    EXPECT_EQ(p.value("GENKA_KINGAKU1"), "18007");
    EXPECT_EQ(p.value("BAIKA_KINGAKU1"), "29700");
    EXPECT_EQ(p.value("SUU2"), "2 ");
    EXPECT_EQ(p.value("GENKA2"), "500  ");
    EXPECT_EQ(p.value("GENKA_GOUKEI"), "19007");
    EXPECT_EQ(p.value("BAIKA_GOUKEI"), "31680");
    // Nothing for the delivered rows nor for positions 3 to 6.
    const QRegularExpression deliveredOrUnused(QStringLiteral("^(TSUU|TGENKA|TBAIKA)|[3-6]$"));
    for (const QString &f : p.setFields())
        EXPECT_FALSE(deliveredOrUnused.match(f).hasMatch()) << f.toStdString();
}

TEST_F(Slips, CorrectedLineStrikesThroughTheOrderedFigures)
{
    slip(10, "123456");
    correctedLine(10, 100, "01");
    printBatch();
    const RecordedPage p = renderer.pages().at(0);
    const std::tuple<const char *, const char *, int> expected[] = {
        {"TSUU1", "12 ", 0},          {"TGENKA_KINGAKU1", "14406", 0}, {"TBAIKA_KINGAKU1", "23760", 0},
        {"SUU1", "15 ", 6},           {"GENKA_KINGAKU1", "18007", 6},  {"BAIKA_KINGAKU1", "29700", 6},
        {"GENKA1", "120050", 0},      {"BAIKA1", "1980", 0},
        {"GENKA_GOUKEI", "18007", 6}, {"BAIKA_GOUKEI", "29700", 6},
        {"TGENKA_GOUKEI", "14406", 0}, {"TBAIKA_GOUKEI", "23760", 0}};
    for (const auto &[field, value, decoration] : expected) {
        SCOPED_TRACE(field);
        EXPECT_EQ(p.value(QString::fromLatin1(field)), QString::fromLatin1(value));
        EXPECT_EQ(p.decoration(QString::fromLatin1(field)), decoration);
    }
}

TEST_F(Slips, OrderedSellingRoundsAwayOnTheLineAndToEvenInTheTotal)
{
    slip(10, "123456");
    // Half a piece ordered at 1997 yen: 998.5 yen, nothing delivered.
    line(10, 100, "01", "000000", "000100000", "0001997", "0000000000", "0000000000",
         {{"ONSURYM", "0000050001997Y"}});
    printBatch();
    const RecordedPage p = renderer.pages().at(0);
    EXPECT_EQ(p.value("BAIKA_KINGAKU1"), "999");
    EXPECT_EQ(p.value("BAIKA_GOUKEI"), "998");
    EXPECT_EQ(p.value("GENKA_KINGAKU1"), "500");
}

TEST_F(Slips, ChangeThatLeavesTheCostTotalEqualPrintsNoDeliveredTotals)
{
    slip(10, "123456");
    // 2 ordered, 1 delivered; and 1 ordered, 2 delivered, at the same prices.
    line(10, 100, "01", "000010", "000100000", "0001980", "0000001000", "0000001980",
         {{"ONSURYM", "0000200001980Y"}});
    line(10, 101, "02", "000020", "000100000", "0001980", "0000002000", "0000003960",
         {{"ONSURYM", "0000100001980Y"}});
    printBatch();
    const RecordedPage p = renderer.pages().at(0);
    EXPECT_EQ(p.decoration("SUU1"), 6);
    EXPECT_EQ(p.value("GENKA_GOUKEI"), "3000");
    EXPECT_EQ(p.value("BAIKA_GOUKEI"), "5940");
    EXPECT_EQ(p.decoration("GENKA_GOUKEI"), 0);
    EXPECT_FALSE(p.isSet("TGENKA_GOUKEI"));
    EXPECT_FALSE(p.isSet("TBAIKA_GOUKEI"));
}

TEST_F(Slips, LargeFiguresDoNotWrap)
{
    slip(10, "123456");
    // 99,999.9 pieces ordered at 9,999,999.99 yen: far beyond 32 bits.
    line(10, 100, "01", "000000", "999999999", "9999999", "0000000000", "0000000000",
         {{"ONSURYM", "9999999999999Y"}});
    printBatch();
    const RecordedPage p = renderer.pages().at(0);
    EXPECT_EQ(p.value("GENKA_KINGAKU1"), "999998999000");
    EXPECT_EQ(p.value("BAIKA_KINGAKU1"), "999998900000");
    EXPECT_EQ(p.value("GENKA_GOUKEI"), "999998999000");
}

TEST_F(Slips, EachSlipIsStampedAndAReprintOverwritesTheDate)
{
    slip(10, "123456");
    slip(11, "123457");
    line(10, 100, "01", "000010", "000100000", "0001980", "0000001000", "0000001980");
    EXPECT_EQ(issued(10), "0//");
    EXPECT_EQ(printBatch(), 2);
    EXPECT_TRUE(last.complete);
    EXPECT_EQ(issued(10), "-1/261210/-1");
    EXPECT_EQ(issued(11), "-1/261210/-1");
    EXPECT_EQ(renderer.pages().size(), 2u);
    EXPECT_EQ(renderer.pages()[1].value("DENPYOU_NO"), "1234573");

    Clock::setFixed(QDateTime(QDate(2027, 1, 5), QTime(8, 0)));
    db->execute(QStringLiteral("Update TBL_RD_H2 Set DEN_EXP_CHECK='0'"));
    print(QStringLiteral("Select * From TBL_RD_H2 Where INDEXNOH2=10"), true);
    EXPECT_EQ(issued(10), "-1/270105/-1");
    EXPECT_EQ(issued(11), "-1/261210/0");
}

TEST_F(Slips, CancelAnsweredCancelGoesOnAndOkStops)
{
    for (int h2 = 10; h2 < 13; ++h2)
        slip(h2, QByteArray::number(123450 + h2).constData());
    CancelBeforePages progress({1, 2});
    dialogs.answer(MsgResult::Cancel).answer(MsgResult::Ok);
    EXPECT_EQ(printBatch(&progress), 2);

    EXPECT_FALSE(last.complete);
    ASSERT_EQ(dialogs.shown().size(), 2);
    for (const auto &shown : dialogs.shown()) {
        EXPECT_EQ(shown.text, QStringLiteral("印刷を中止しますか？"));
        EXPECT_EQ(shown.title, QStringLiteral("確認"));
        EXPECT_EQ(shown.icon, MsgIcon::Question);
        EXPECT_EQ(shown.buttons, MsgButtons::OkCancel);
    }
    EXPECT_EQ(issued(10), "-1/261210/-1");
    EXPECT_EQ(issued(11), "-1/261210/-1"); // printed just before the stop
    EXPECT_EQ(issued(12), "0//");
    // A stopped run leaves without closing the form or ending the job.
    EXPECT_EQ(renderer.operations().back(), FormOp::PrintPage);
    EXPECT_FALSE(renderer.jobs()[0].ended);
    ASSERT_EQ(progress.seen.size(), 2u);
    EXPECT_EQ(progress.seen[1].row, 2);
    EXPECT_EQ(progress.seen[1].rows, 3);
}

TEST_F(Slips, StopAfterTheLastPageStillCountsAsStopped)
{
    slip(10, "123456");
    CancelBeforePages progress({1});
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(printBatch(&progress), 1);
    EXPECT_FALSE(last.complete);
    EXPECT_EQ(issued(10), "-1/261210/-1");
}

TEST_F(Slips, NoRowsMakeNoRuntimeCallAndACompleteRun)
{
    EXPECT_EQ(printBatch(), 0);
    EXPECT_TRUE(last.complete);
    EXPECT_TRUE(renderer.calls().isEmpty());
}

struct BadLineCase {
    const char *name;
    std::vector<std::pair<const char *, const char *>> lines; // ONLINE, ONSURY
    int error;
    const char *says;
};

void PrintTo(const BadLineCase &c, std::ostream *os)
{
    *os << c.name;
}

class BadLine : public Slips, public testing::WithParamInterface<BadLineCase> {};

TEST_P(BadLine, StopsBeforeTheSlipIsPrintedOrStamped)
{
    const BadLineCase &c = GetParam();
    slip(10, "123456");
    line(10, 100, "01", "000010", "000100000", "0001980", "0000001000", "0000001980");
    slip(11, "223344");
    int bd = 200;
    for (const auto &[online, sury] : c.lines)
        line(11, bd++, online, sury, "000100000", "0001980", "0000001000", "0000001980");
    slip(12, "555555");

    DbError error(0, QString());
    try {
        printBatch();
    } catch (const DbError &e) {
        error = e;
    }
    EXPECT_EQ(error.number(), c.error);
    EXPECT_TRUE(error.description().contains(QStringLiteral("223344"))) << error.description().toStdString();
    EXPECT_TRUE(error.description().contains(QString::fromUtf8(c.says))) << error.description().toStdString();
    EXPECT_FALSE(last.complete);
    EXPECT_EQ(renderer.pages().size(), 1u);
    EXPECT_EQ(issued(10), "-1/261210/-1");
    EXPECT_EQ(issued(11), "0//");
    EXPECT_EQ(issued(12), "0//");
}

INSTANTIATE_TEST_SUITE_P(
    Slips, BadLine,
    testing::Values(BadLineCase{"position_not_on_the_form", {{"01", "000010"}, {"07", "000010"}},
                                PrintErr::LineNotOnForm, "「07」"},
                    BadLineCase{"tenth_line_on_position_zero", {{"10", "000010"}}, PrintErr::LineNotOnForm, "「10」"},
                    BadLineCase{"position_repeated", {{"01", "000010"}, {"11", "000010"}}, PrintErr::LineRepeated,
                                "「11」"},
                    BadLineCase{"quantity_not_a_number", {{"01", "0001x0"}}, PrintErr::NotANumber, "0001x0"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
