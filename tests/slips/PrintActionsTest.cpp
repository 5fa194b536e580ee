// The slip list's four print actions: their questions, the rows they
// print, and the stamps a complete run leaves.
#include "PrintTestSupport.h"

#include "slips/PrintActions.h"

#include <functional>

namespace {

using SlipRows::Fields;

class Actions : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        batch(1);
    }

    void slip(int h2, const char *dnno, const char *order, const char *kind = "0")
    {
        SlipRows::slip(*db, 1, h2,
                       {{"OMDNNO", dnno}, {"OMHCNO", order}, {"OMHCKB", kind}, {"OMMSCD", QString::number(h2)}});
        SlipRows::line(*db, 1, h2, h2 * 10, QStringLiteral("000010"), QStringLiteral("0001980"),
                       {{"ONLINE", "01"}, {"ONGTNK", "000100000"}, {"ONGENJ", "0000001000"}, {"ONBAIJ", "0000001980"},
                        {"ONSKU", "000001"}});
    }

    PrintActionResult run(const std::function<PrintActionResult(PrintServices &)> &action,
                          PrintProgress *progress = nullptr)
    {
        PrintRunner window(*db, dialogs, renderer, progress);
        PrintServices services{*db, dialogs, window};
        return action(services);
    }

    QString flag(const char *column)
    {
        return text(QStringLiteral("Select ifnull(%1,'') From TBL_FLG_DATA Where INDEXNOH1=1").arg(QLatin1String(column)));
    }
    QString issued(int h2)
    {
        return text(QStringLiteral("Select ifnull(DEN_OP_DATE,'') From TBL_RD_H2 Where INDEXNOH2=%1").arg(h2));
    }
};

TEST_F(Actions, AllSlipsOfABatchAskPrintOrdinarySlipsAndStampTheBatch)
{
    slip(10, "000101", "1000001");
    slip(11, "000102", "1000001");
    slip(12, "000103", "1000002", "1");
    const BatchRowCells cells = batchRowCells(*db, 1);
    ASSERT_TRUE(cells.found);
    EXPECT_EQ(cells.slipCount, "2");
    EXPECT_EQ(cells.orderCount, "1-1");
    EXPECT_EQ(cells.slipsPrinted, "");

    dialogs.answer(MsgResult::Ok);
    const PrintActionResult r = run([&](PrintServices &s) { return PrintAllSlips(s, 1, cells.slipsPrinted, cells.slipCount); });
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("管理No: 1の全ての伝票を出力します。\r\n"
                                                      "伝票出力枚数は 2枚です、専用伝票を出力する用意をして下さい。"));
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("確認"));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Information);
    EXPECT_EQ(dialogs.shown()[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.pages, 2);
    EXPECT_EQ(r.stamp, "261210");
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "261210");
    EXPECT_EQ(issued(12), "");   // the advance order has no slip to print
    EXPECT_EQ(batchRowCells(*db, 1).slipsPrinted, "261210");
}

TEST_F(Actions, PrintedBeforeAsksFirstAndCancelThereStops)
{
    slip(10, "000101", "1000001");
    db->execute(QStringLiteral("Update TBL_FLG_DATA Set DENPYOU_OP_DATE='261201'"));
    dialogs.answer(MsgResult::Cancel);
    const PrintActionResult r = run([&](PrintServices &s) { return PrintAllSlips(s, 1, QStringLiteral("261201"), "1"); });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.stamp, "");
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("一度出力された形跡がありますが、出力しても宜しいですか？"));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Question);
    EXPECT_TRUE(renderer.calls().isEmpty());
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "261201");
    EXPECT_EQ(issued(10), "");
}

TEST_F(Actions, StoppedRunLeavesTheBatchUnstampedButTheSlipPrinted)
{
    slip(10, "000101", "1000001");
    slip(11, "000102", "1000001");
    CancelBeforePages progress({1});
    dialogs.answer(MsgResult::Ok).answer(MsgResult::Ok);
    const PrintActionResult r = run([&](PrintServices &s) { return PrintAllSlips(s, 1, QString(), "2"); }, &progress);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.pages, 1);
    EXPECT_EQ(r.stamp, "");
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "");
    EXPECT_EQ(issued(10), "261210");
    EXPECT_EQ(issued(11), "");
}

TEST_F(Actions, FailedRunLeavesTheBatchUnstamped)
{
    slip(10, "000101", "1000001");
    SlipRows::line(*db, 1, 10, 999, QStringLiteral("000010"), QStringLiteral("0001980"), {{"ONLINE", "01"}});
    dialogs.answer(MsgResult::Ok);
    ScriptedProgress progress;
    const PrintActionResult r = run([&](PrintServices &s) { return PrintAllSlips(s, 1, QString(), "1"); }, &progress);
    // The error comes back to the caller instead of being shown or thrown.
    EXPECT_EQ(r.error, PrintErr::LineRepeated);
    EXPECT_EQ(r.status, r.error);
    EXPECT_TRUE(r.errorText.contains(QStringLiteral("000101"))) << r.errorText.toStdString();
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.stamp, "");
    EXPECT_TRUE(dialogs.shown().size() == 1) << "only the count question, no error box";
    EXPECT_EQ(progress.started, 1);
    EXPECT_EQ(progress.ended, 1);
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "");
    EXPECT_EQ(issued(10), "");
}

// A run the operator stops after its first page: it reports itself
// stopped and not done, and the batch keeps no output date of that kind.
struct StopCase {
    const char *name;
    std::function<PrintActionResult(PrintServices &)> action;
    const char *flagColumn;
};

class StoppedRuns : public Actions, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StoppedRuns, ReportNotCompleteAndStampNoBatchDate)
{
    slip(10, "000101", "1000001");
    slip(11, "000102", "1000002");
    ScriptedProgress progress({1});
    dialogs.answer(MsgResult::Ok).answer(MsgResult::Ok);
    const PrintActionResult r = run(GetParam().action, &progress);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.pages, 1);
    EXPECT_EQ(r.stamp, "");
    EXPECT_EQ(flag(GetParam().flagColumn), "");
    EXPECT_EQ(progress.started, 1);
    EXPECT_EQ(progress.ended, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Print, StoppedRuns,
    ::testing::Values(
        StopCase{"AllSlips", [](PrintServices &s) { return PrintAllSlips(s, 1, QString(), "2"); }, "DENPYOU_OP_DATE"},
        StopCase{"AllAssortmentLists", [](PrintServices &s) { return PrintAllAssortmentLists(s, 1, QString(), "2-0"); },
                 "SHINAZOROE_OP_DATE"}),
    [](const ::testing::TestParamInfo<StopCase> &info) { return std::string(info.param.name); });

TEST_F(Actions, BatchWithoutOrdinarySlipsPrintsNothingAndIsStamped)
{
    slip(12, "000103", "1000002", "1");
    const BatchRowCells cells = batchRowCells(*db, 1);
    EXPECT_EQ(cells.slipCount, "");
    EXPECT_EQ(cells.orderCount, "-1");
    dialogs.answer(MsgResult::Ok);
    const PrintActionResult r = run([&](PrintServices &s) { return PrintAllSlips(s, 1, cells.slipsPrinted, cells.slipCount); });
    EXPECT_TRUE(dialogs.shown()[0].text.contains(QStringLiteral("伝票出力枚数は 枚です、"))) << dialogs.shown()[0].text.toStdString();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.pages, 0);
    EXPECT_TRUE(renderer.calls().isEmpty());
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "261210");
}

TEST_F(Actions, AllAssortmentListsIncludeAdvanceOrdersAndStampTheBatch)
{
    slip(10, "000101", "1000001");
    slip(11, "000102", "1000001");
    slip(12, "000103", "1000002", "1");
    dialogs.answer(MsgResult::Ok);
    const PrintActionResult r =
        run([&](PrintServices &s) { return PrintAllAssortmentLists(s, 1, QString(), QStringLiteral("1-1")); });
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("管理No: 1の全ての品揃えリストを出力します。\r\n"
                                                      "品揃えリスト出力枚数は 1-1枚です、品揃えリストを出力する用意をして下さい。"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.pages, 2);
    EXPECT_EQ(flag("SHINAZOROE_OP_DATE"), "261210");
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "");
    EXPECT_EQ(issued(10), "");
}

TEST_F(Actions, OneSlipIsStampedEvenWhenStoppedAfterItsPage)
{
    slip(10, "12'456", "1000001");
    slip(11, "000102", "1000001");
    CancelBeforePages progress({1});
    dialogs.answer(MsgResult::Ok).answer(MsgResult::Ok);
    const PrintActionResult r = run([&](PrintServices &s) { return PrintOneSlip(s, 1, QStringLiteral("12'456")); }, &progress);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("伝票単枚印刷を行います。\r\n宜しいですか？"));
    EXPECT_EQ(dialogs.shown()[0].title, QString());
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Question);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.pages, 1);
    EXPECT_EQ(r.stamp, "261210");
    EXPECT_EQ(issued(10), "261210");
    EXPECT_EQ(issued(11), "");
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "");
}

TEST_F(Actions, OneAssortmentListPrintsOnlyThatOrderAndStampsNothing)
{
    slip(10, "000101", "1000001");
    slip(11, "000102", "1000002");
    dialogs.answer(MsgResult::Ok);
    const PrintActionResult r =
        run([&](PrintServices &s) { return PrintOneAssortmentList(s, 1, QStringLiteral("1000002")); });
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("品揃えリスト単枚印刷を行います。\r\n宜しいですか？"));
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.pages, 1);
    EXPECT_EQ(renderer.pages()[0].value("Ha_No"), "1000002");
    EXPECT_EQ(r.stamp, "");
    EXPECT_EQ(flag("SHINAZOROE_OP_DATE"), "");
}

TEST_F(Actions, CancelAtTheOneSlipQuestionDoesNothing)
{
    slip(10, "000101", "1000001");
    dialogs.answer(MsgResult::Cancel);
    const PrintActionResult r = run([&](PrintServices &s) { return PrintOneSlip(s, 1, QStringLiteral("000101")); });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.stamp, "");
    EXPECT_TRUE(renderer.calls().isEmpty());
    EXPECT_EQ(issued(10), "");
}

// A preview makes the pages the print key makes, asks nothing and stamps
// nothing: neither the slips' issue marks nor the batch's output dates.
struct PreviewCase {
    const char *name;
    std::function<PrintActionResult(PrintServices &)> preview;
    std::function<PrintActionResult(PrintServices &)> print;
    int pages;
};

class Previews : public Actions, public ::testing::WithParamInterface<PreviewCase> {
protected:
    // Every field's value on every page of the last job, for comparing two runs.
    QStringList pageTexts()
    {
        QStringList out;
        if (renderer.jobs().empty())
            return out;
        for (const RecordedPage &page : renderer.jobs().back().pages)
            for (const QString &field : page.setFields())
                out << field + QLatin1Char('=') + page.value(field);
        return out;
    }
    QString slipMarks()
    {
        return text(QStringLiteral("Select group_concat(ifnull(HAKKOU_FLG,'') || '/' || ifnull(DEN_OP_DATE,'') || '/' || "
                                   "ifnull(DEN_EXP_CHECK,''), ',') From (Select * From TBL_RD_H2 Order By INDEXNOH2) TH2"));
    }
};

TEST_P(Previews, MakeThePrintsPagesWithoutQuestionsOrStamps)
{
    slip(10, "000101", "1000001");
    slip(11, "000102", "1000001");
    slip(12, "000103", "1000002", "1");
    const QString marksBefore = slipMarks();

    const PrintActionResult r = run(GetParam().preview);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.error, 0) << r.errorText.toStdString();
    EXPECT_EQ(r.pages, GetParam().pages);
    EXPECT_EQ(r.stamp, "");
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(slipMarks(), marksBefore);
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "");
    EXPECT_EQ(flag("SHINAZOROE_OP_DATE"), "");
    ASSERT_EQ(int(renderer.pages().size()), GetParam().pages);
    const QStringList previewed = pageTexts();

    // The print key afterwards prints exactly those pages.
    dialogs.answer(MsgResult::Ok);
    const PrintActionResult printed = run(GetParam().print);
    EXPECT_EQ(printed.status, 0);
    ASSERT_EQ(renderer.jobs().size(), 2u);
    EXPECT_FALSE(previewed.isEmpty());
    EXPECT_EQ(pageTexts(), previewed);
}

INSTANTIATE_TEST_SUITE_P(
    Print, Previews,
    ::testing::Values(
        PreviewCase{"AllSlips", [](PrintServices &s) { return PreviewSlips(s, 1); },
                    [](PrintServices &s) { return PrintAllSlips(s, 1, QString(), "2"); }, 2},
        PreviewCase{"OneSlip", [](PrintServices &s) { return PreviewSlips(s, 1, QStringLiteral("000102")); },
                    [](PrintServices &s) { return PrintOneSlip(s, 1, QStringLiteral("000102")); }, 1},
        PreviewCase{"AllAssortmentLists", [](PrintServices &s) { return PreviewAssortmentLists(s, 1); },
                    [](PrintServices &s) { return PrintAllAssortmentLists(s, 1, QString(), "1-1"); }, 2},
        PreviewCase{"OneAssortmentList",
                    [](PrintServices &s) { return PreviewAssortmentLists(s, 1, QStringLiteral("1000002")); },
                    [](PrintServices &s) { return PrintOneAssortmentList(s, 1, QStringLiteral("1000002")); }, 1}),
    [](const ::testing::TestParamInfo<PreviewCase> &info) { return std::string(info.param.name); });

TEST_F(Actions, PreviewOfSlipsRepeatsAndLeavesThemUnissued)
{
    slip(10, "000101", "1000001");
    ASSERT_EQ(run([](PrintServices &s) { return PreviewSlips(s, 1); }).pages, 1);
    ASSERT_EQ(run([](PrintServices &s) { return PreviewSlips(s, 1); }).pages, 1);
    EXPECT_EQ(issued(10), "");
    // Printing for real afterwards stamps as always.
    dialogs.answer(MsgResult::Ok);
    run([](PrintServices &s) { return PrintAllSlips(s, 1, QString(), "1"); });
    EXPECT_EQ(issued(10), "261210");
    EXPECT_EQ(flag("DENPYOU_OP_DATE"), "261210");
}

} // namespace
