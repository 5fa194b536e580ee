// The closing calculation: the proposed period, the checks, and what it
// gathers and ticks.

#include "billing/ClosingCancel.h"
#include "billing/ClosingPeriod.h"
#include "BillingFixture.h"

#include "support/InjectedFailure.h"
#include <gtest/gtest.h>

namespace {

struct ProposalCase {
    const char *name;
    const char *from;          // stored SHIME_BI_J
    const char *to;            // stored SHIME_BI_I
    const char *lastBilling;   // ZENKAI_SEIKYU_BI
    const char *closingDay;
    QDate today;
    const char *expectFrom;
    const char *expectTo;
};

class ClosingProposal : public BillingFixture, public ::testing::WithParamInterface<ProposalCase> {};

TEST_P(ClosingProposal, Proposes)
{
    const ProposalCase &c = GetParam();
    Clock::setFixed(QDateTime(c.today, QTime(8, 0)));
    openPeriod(c.from, c.to);
    SetJoukenValue(*db, "ZENKAI_SEIKYU_BI", c.lastBilling);
    const ClosingPeriod p = proposeClosingPeriod(*db, c.closingDay);
    EXPECT_EQ(p.from, c.expectFrom);
    EXPECT_EQ(p.to, c.expectTo);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClosingProposal,
    ::testing::Values(
        ProposalCase{"first_use", "", "", "", "20", QDate(2026, 12, 10), "2025/12/10", "2026/12/20"},
        ProposalCase{"day_after_last_billing", "", "", "2024/05/20", "20", QDate(2024, 6, 3), "2024/05/21",
                     "2024/06/20"},
        ProposalCase{"day_after_last_billing_across_a_month", "", "", "2024/05/31", "5", QDate(2024, 6, 3),
                     "2024/06/01", "2024/06/05"},
        ProposalCase{"closing_day_five", "", "", "", "5", QDate(2024, 6, 3), "2023/06/03", "2024/06/05"},
        ProposalCase{"no_closing_day_gives_day_00", "", "", "", "", QDate(2024, 6, 3), "2023/06/03",
                     "2024/06/00"},
        ProposalCase{"month_end_in_a_short_month", "", "", "", "31", QDate(2024, 2, 3), "2023/02/03",
                     "2024/02/29"},
        // After a billing run this month's closing day has passed: the next one.
        ProposalCase{"after_a_run_the_next_closing_day", "", "", "2025/02/20", "20", QDate(2025, 2, 25),
                     "2025/02/21", "2025/03/20"},
        ProposalCase{"after_a_run_in_december_next_year", "", "", "2024/12/20", "20", QDate(2024, 12, 27),
                     "2024/12/21", "2025/01/20"},
        ProposalCase{"start_on_the_closing_day_is_kept", "", "", "2025/02/19", "20", QDate(2025, 2, 19),
                     "2025/02/20", "2025/02/20"},
        ProposalCase{"this_months_closing_day_still_ahead", "", "", "2025/01/20", "20", QDate(2025, 2, 3),
                     "2025/01/21", "2025/02/20"},
        ProposalCase{"month_end_after_february", "", "", "2025/02/28", "31", QDate(2025, 2, 28), "2025/03/01",
                     "2025/03/31"},
        ProposalCase{"month_end_into_a_thirty_day_month", "", "", "2025/03/31", "31", QDate(2025, 3, 31),
                     "2025/04/01", "2025/04/30"},
        ProposalCase{"day_30_after_a_leap_february", "", "", "2024/02/29", "30", QDate(2024, 2, 29), "2024/03/01",
                     "2024/03/30"},
        ProposalCase{"day_29_into_a_short_february", "", "", "2025/01/29", "29", QDate(2025, 1, 31), "2025/01/30",
                     "2025/02/28"},
        ProposalCase{"last_billing_ahead_of_today", "", "", "2025/05/20", "20", QDate(2025, 2, 10), "2025/05/21",
                     "2025/06/20"},
        ProposalCase{"no_closing_day_after_a_run_still_day_00", "", "", "2025/02/20", "", QDate(2025, 2, 25),
                     "2025/02/21", "2025/02/00"},
        ProposalCase{"open_period_as_stored", "2024/5/21", "24/6/20", "2024/05/20", "5", QDate(2024, 6, 3),
                     "2024/5/21", "2024/06/20"}),
    [](const auto &info) { return std::string(info.param.name); });

class Closing : public BillingFixture {
protected:
    void SetUp() override
    {
        BillingFixture::SetUp();
        // Delivered before, on both bounds of, inside and after the period.
        slip(10, "000010", "240520", "0000001000");
        slip(11, "000011", "240521", "0000001100");
        slip(12, "000012", "240605", "0000001200");
        slip(13, "000013", "240620", "0000001300");
        slip(14, "000014", "240621", "0000001400");
        // Within the period but not issued, an advance order, already
        // billed, and a slip without lines.
        slip(20, "000020", "240605", "0000002000", {{"HAKKOU_FLG", "0"}});
        slip(21, "000021", "240605", "0000002100", {{"OMHCKB", "1"}});
        slip(22, "000022", "240605", "0000002200", {{"SEIKYU_FLG", "-1"}});
        slip(23, "000023", "240605", QString());
        SlipRows::line(*db, 1, 12, 121, "000010", "0001000", {{"ONGENJ", "0000000034"}});
        recorded(1, 30, "000030", 500, true);
    }

    ClosingResult run(const QString &from, const QString &to) { return runClosing(*db, dialogs, from, to); }

    // DEN_NO:KIKANNAI_FLG:HA_FLG:KINGAKU_KEI of every gathered slip.
    QStringList gatheredRows()
    {
        QStringList rows;
        for (Recordset rs = db->query("Select DEN_NO,KIKANNAI_FLG,HA_FLG,KINGAKU_KEI From TBL_SEM_B Order By DEN_NO");
             !rs.eof(); rs.moveNext())
            rows << QStringList{rs.text(0), rs.text(1), rs.text(2), rs.field(3).isNull() ? "Null" : rs.text(3)}.join(':');
        return rows;
    }
};

TEST_F(Closing, GathersEveryUnbilledOrdinarySlipAndTicksThoseWithinThePeriod)
{
    dialogs.answer(MsgResult::Ok);
    const ClosingResult r = run("2024/05/21", "2024/06/20");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.gathered, 7);
    EXPECT_EQ(r.chosen, 4);
    EXPECT_EQ(gatheredRows(), (QStringList{"000010::0:1000", "000011:-1:-1:1100", "000012:-1:-1:1234",
                                           "000013:-1:-1:1300", "000014::0:1400", "000020::0:2000",
                                           "000023:-1:-1:Null"}));
    EXPECT_EQ(value("Select VALUEC From MST_JYOUKEN Where KEYC='SHIME_BI_J'"), "2024/05/21");
    EXPECT_EQ(value("Select VALUEC From MST_JYOUKEN Where KEYC='SHIME_BI_I'"), "2024/06/20");
    EXPECT_EQ(count("Select Count(*) From TBL_SEZ_B Where HA_FLG='-1'"), 0);
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"締日入力を確定します。 宜しいですか？",
                           "締日計算が終了しました。\n期間 2024/05/21 ～ 2024/06/20\n"
                           "未請求伝票 7 件、うち期間内 4 件（発行済みで納品日が期間内の伝票を請求対象にチェックしました）"}));
    EXPECT_EQ(dialogs.shown().last().icon, MsgIcon::Information);
}

// What the completion message says when a calculation finds less: the
// counts it gathered, or in one line why there is nothing to bill.
struct ReportCase {
    const char *name;
    const char *billedFirst;   // slips billed (request-numbered) before the run, "" for none
    const char *from;
    const char *to;
    int gathered;
    int chosen;
    const char *lastLine;
};

class ClosingReported : public Closing, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ClosingReported, SaysWhatItGathered)
{
    const ReportCase &c = GetParam();
    if (*c.billedFirst)
        db->execute(QStringLiteral("Update TBL_RD_H2 Set SEIKYU_FLG='%1'").arg(c.billedFirst));
    dialogs.answer(MsgResult::Ok);
    const ClosingResult r = run(c.from, c.to);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.gathered, c.gathered);
    EXPECT_EQ(r.chosen, c.chosen);
    ASSERT_EQ(dialogs.texts().size(), 2);
    const QStringList lines = dialogs.texts().last().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "締日計算が終了しました。");
    EXPECT_EQ(lines[1], QStringLiteral("期間 %1 ～ %2").arg(c.from, c.to));
    EXPECT_EQ(lines[2], QString::fromUtf8(c.lastLine));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClosingReported,
    ::testing::Values(
        ReportCase{"every_slip_already_billed", "-1", "2024/05/21", "2024/06/20", 0, 0,
                   "未請求伝票 0 件: 通常受注の伝票はすべて請求済みか値札発行依頼済みのため、請求する伝票はありません。"},
        ReportCase{"every_slip_carries_a_request_number", "12", "2024/05/21", "2024/06/20", 0, 0,
                   "未請求伝票 0 件: 通常受注の伝票はすべて請求済みか値札発行依頼済みのため、請求する伝票はありません。"},
        ReportCase{"nothing_delivered_in_the_period", "", "2025/01/01", "2025/01/31", 7, 0,
                   "未請求伝票 7 件、うち期間内 0 件: 期間内に納品日があり発行済みの伝票がないため、"
                   "請求対象にチェックした伝票はありません。"},
        ReportCase{"one_day", "", "2024/06/21", "2024/06/21", 7, 1,
                   "未請求伝票 7 件、うち期間内 1 件（発行済みで納品日が期間内の伝票を請求対象にチェックしました）"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Closing, EqualBoundsChooseOnlyThatDay)
{
    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(run("2024/06/21", "2024/06/21").status, 0);
    EXPECT_EQ(joined("Select DEN_NO From TBL_SEM_B Where HA_FLG='-1' Order By DEN_NO"), "000014");
}

TEST_F(Closing, RepeatingRebuildsTheTableAndLosesTheTicks)
{
    dialogs.answer(MsgResult::Ok).answer(MsgResult::Ok);
    ASSERT_EQ(run("2024/05/21", "2024/06/20").status, 0);
    db->execute("Update TBL_SEM_B Set HA_FLG='0' Where DEN_NO='000011'");
    db->execute("Update TBL_SEM_B Set HA_FLG='-1' Where DEN_NO='000020'");
    ASSERT_EQ(run("2024/05/21", "2024/06/20").status, 0);
    EXPECT_EQ(joined("Select DEN_NO From TBL_SEM_B Where HA_FLG='-1' Order By DEN_NO"),
              "000011,000012,000013,000023");
}

struct RefusalCase {
    const char *name;
    const char *from;
    const char *to;
    ClosingField focus;
    QStringList messages;
};

class ClosingRefused : public Closing, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ClosingRefused, ChangesNothing)
{
    const RefusalCase &c = GetParam();
    openPeriod("2024/04/21", "2024/05/20");
    gathered(99, 7);
    const ClosingResult r = run(c.from, c.to);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.focus, c.focus);
    EXPECT_EQ(dialogs.texts(), c.messages);
    EXPECT_EQ(gatheredRows(), QStringList{":-1:-1:7"});
    EXPECT_EQ(value("Select VALUEC From MST_JYOUKEN Where KEYC='SHIME_BI_J'"), "2024/04/21");
    EXPECT_EQ(count("Select Count(*) From TBL_SEZ_B Where HA_FLG='-1'"), 1);
}

const QString DateBox = "この項目には認識できる日付を入力してください。";
const QString FromBad = "'対象期間:自'の項目に入力された値が不正です。";
const QString ToBad = "対象期間:至の項目に入力された値が不正です。";

INSTANTIATE_TEST_SUITE_P(
    Cases, ClosingRefused,
    ::testing::Values(RefusalCase{"from_not_a_date", "2024/13/01", "2024/06/20", ClosingField::From, {DateBox, FromBad}},
                      RefusalCase{"from_empty", "", "2024/06/20", ClosingField::From, {FromBad}},
                      RefusalCase{"to_not_a_date", "2024/05/21", "2024/06/00", ClosingField::To, {DateBox, ToBad}},
                      RefusalCase{"to_empty", "2024/05/21", " ", ClosingField::To, {ToBad}},
                      RefusalCase{"to_before_from", "2024/05/21", "2024/05/20", ClosingField::To,
                                  {"自 ～ 至 迄の期間の設定が不正です。"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Closing, DeclinedChangesNothing)
{
    dialogs.answer(MsgResult::Cancel);
    EXPECT_EQ(run("2024/05/21", "2024/06/20").status, 1);
    EXPECT_EQ(count("Select Count(*) From TBL_SEM_B"), 0);
    EXPECT_EQ(value("Select VALUEC From MST_JYOUKEN Where KEYC='SHIME_BI_J'"), "");
}

TEST_F(Closing, DatabaseFailureLeavesThePreviousCalculation)
{
    openPeriod("2024/04/21", "2024/05/20");
    gathered(99, 7);
    // The failure comes after the working table was rebuilt.
    injectFailure(*db, "fail_closing", "TBL_SEZ_B", "UPDATE OF HA_FLG", "injected");
    dialogs.answer(MsgResult::Ok);
    EXPECT_THROW(run("2024/05/21", "2024/06/20"), DbError);
    EXPECT_EQ(gatheredRows(), QStringList{":-1:-1:7"});
    EXPECT_EQ(value("Select VALUEC From MST_JYOUKEN Where KEYC='SHIME_BI_J'"), "2024/04/21");
    EXPECT_EQ(value("Select VALUEC From MST_JYOUKEN Where KEYC='SHIME_BI_I'"), "2024/05/20");
    EXPECT_EQ(db->transactionDepth(), 0);
}

} // namespace

namespace {

TEST_F(Closing, CancellingTheCalculationDropsTableAndPeriod)
{
    SetJoukenValue(*db, "ZENKAI_SEIKYU_BI", "2024/05/20");
    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(run("2024/05/21", "2024/06/20").status, 0);
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(cancelClosing(*db, dialogs), 0);
    EXPECT_EQ(count("Select Count(*) From TBL_SEM_B"), 0);
    EXPECT_FALSE(storedClosingPeriod(*db).isOpen());
    EXPECT_EQ(proposeClosingPeriod(*db, "20").from, "2024/05/21");
}

} // namespace
