#include "maint/Retention.h"

#include "MaintFixture.h"
#include "maint/Backups.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

using namespace MaintFixture;

namespace {

const QDate Today(2027, 3, 31);
const Retention::Periods OneMonth{"1", "1", "1"};   // cutoffs 270228 / 270228 / 20270228

struct CutoffCase {
    const char *name;
    QDate today;
    int months;
    QDate cutoff;
};

class CutoffTest : public ::testing::TestWithParam<CutoffCase> {};

TEST_P(CutoffTest, CalendarMonthsBack)
{
    EXPECT_EQ(Retention::cutoffDate(GetParam().today, GetParam().months), GetParam().cutoff);
}

INSTANTIATE_TEST_SUITE_P(
    MonthEnds, CutoffTest,
    ::testing::Values(CutoffCase{"March31MinusOne", QDate(2027, 3, 31), 1, QDate(2027, 2, 28)},
                      CutoffCase{"LeapYear", QDate(2028, 3, 31), 1, QDate(2028, 2, 29)},
                      CutoffCase{"AcrossTheYear", QDate(2027, 1, 31), 2, QDate(2026, 11, 30)},
                      CutoffCase{"MidMonth", QDate(2026, 12, 10), 3, QDate(2026, 9, 10)},
                      CutoffCase{"TwoYears", QDate(2026, 12, 10), 24, QDate(2024, 12, 10)}),
    [](const auto &info) { return std::string(info.param.name); });

class RetentionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(Today, QTime(9, 0)));
    }
    Retention::Lists search(const Retention::Periods &p = OneMonth)
    {
        ScriptedDialogs d;
        const auto lists = Retention::search(*db, d, p, Today);
        EXPECT_TRUE(lists.has_value()) << d.texts().join('\n').toStdString();
        return lists.value_or(Retention::Lists{});
    }
    static QStringList column(const GridData &g, const QString &caption)
    {
        QStringList out;
        for (int r = 0; r < g.rowCount(); ++r)
            out << g.text(r, g.indexOf(caption));
        return out;
    }
    TempDataFolder folder;
    Database *db = nullptr;
};

struct BoxCase {
    const char *name;
    Retention::Periods periods;
    const char *message;
};

void PrintTo(const BoxCase &c, std::ostream *os)
{
    *os << c.name;
}

class RetentionBoxes : public RetentionTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(RetentionBoxes, WrongBoxShowsItsMessageAndLoadsNothing)
{
    ScriptedDialogs d;
    EXPECT_FALSE(Retention::search(*db, d, GetParam().periods, Today).has_value());
    ASSERT_EQ(d.shown().size(), 1);
    EXPECT_EQ(d.shown()[0].text, QString::fromUtf8(GetParam().message));
    EXPECT_EQ(d.shown()[0].icon, MsgIcon::Critical);
}

const char *const Range = "保存期間に入力された値が範囲を超えています。";
const char *const Missing = "保存期間入力欄に未入力の項目があります。";

INSTANTIATE_TEST_SUITE_P(
    Boxes, RetentionBoxes,
    ::testing::Values(BoxCase{"Zero", {"0", "6", "2"}, Range}, BoxCase{"TwentyFive", {"3", "25", "2"}, Range},
                      BoxCase{"NotANumber", {"3", "6", "ab"}, Range}, BoxCase{"Fraction", {"1.5", "6", "2"}, Range},
                      BoxCase{"Empty", {"3", "", "2"}, Missing},
                      // A whole number of months in digits, nothing else.
                      BoxCase{"Separator", {"1,2", "6", "2"}, Range},
                      BoxCase{"FullWidthSeparator", {"3", "１，２", "2"}, Range},
                      BoxCase{"Plus", {"3", "6", "+3"}, Range}, BoxCase{"Minus", {"-3", "6", "2"}, Range},
                      BoxCase{"FullWidthMinus", {"3", "－３", "2"}, Range},
                      BoxCase{"BlankInside", {"3", "6", "1 2"}, Range},
                      BoxCase{"Exponent", {"1e1", "6", "2"}, Range},
                      BoxCase{"FullWidthTwentyFive", {"3", "6", "２５"}, Range},
                      // The empty box is named before a box out of range.
                      BoxCase{"EmptyAndZero", {"0", "6", " "}, Missing}),
    [](const auto &info) { return std::string(info.param.name); });

// Each list holds rows 1, 2 and 3 dated 2025/01/01, 2026/12/30 and
// 2027/03/30 (yesterday): three months keep row 3, twelve keep 2 and 3.
struct MonthsCase {
    const char *name;
    Retention::Periods periods;
    QStringList orders, billing, pb;
};

void PrintTo(const MonthsCase &c, std::ostream *os)
{
    *os << c.name;
}

class RetentionMonths : public RetentionTest, public ::testing::WithParamInterface<MonthsCase> {};

TEST_P(RetentionMonths, TheMonthsTypedAreTheMonthsUsed)
{
    for (int n = 1; n <= 3; ++n) {
        const QString date = QStringList{"250101", "261230", "270330"}[n - 1];
        addBatch(*db, n, date, {Slip{}});
        addBillingRun(*db, n, date);
        addPb(*db, n, "20" + date);
    }
    const Retention::Lists l = search(GetParam().periods);
    EXPECT_EQ(column(l.orders, "管理No"), GetParam().orders);
    EXPECT_EQ(column(l.billing, "請求管理No"), GetParam().billing);
    EXPECT_EQ(column(l.pb, "SKUCD"), GetParam().pb);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, RetentionMonths,
    ::testing::Values(MonthsCase{"HalfWidth", {"3", "12", "24"}, {"1", "2"}, {"1"}, {"1"}},
                      MonthsCase{"FullWidth", {"３", "１２", "２４"}, {"1", "2"}, {"1"}, {"1"}},
                      MonthsCase{"FullWidthInEachBox", {"１２", "３", "３"}, {"1"}, {"2", "1"}, {"1", "2"}},
                      MonthsCase{"BlanksAround", {" 3 ", "　３", "12　"}, {"1", "2"}, {"2", "1"}, {"1"}},
                      MonthsCase{"LeadingZero", {"03", "０３", "3"}, {"1", "2"}, {"2", "1"}, {"1", "2"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RetentionTest, BatchesOlderThanTheCutoffWithTheirTicks)
{
    addBatch(*db, 1, "270227", {Slip{}, Slip{}});                             // billed and issued
    addBatch(*db, 2, "270227", {Slip{}, Slip{"0", "0", "-1"}});              // one slip unbilled
    addBatch(*db, 3, "270227", {Slip{"0", "-1", QVariant()}});               // never issued (Null)
    addBatch(*db, 4, "270227", {Slip{}, Slip{"1", "0", "0"}});               // advance order does not count
    addBatch(*db, 5, "270228", {Slip{}});                                    // on the cutoff: kept
    const GridData g = search().orders;
    EXPECT_EQ(column(g, "管理No"), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(column(g, "CK"), (QStringList{"-1", "0", "0", "-1"}));
    EXPECT_EQ(column(g, "未請求"), (QStringList{"", "あり", "", ""}));
    EXPECT_EQ(column(g, "伝未発行"), (QStringList{"", "", "あり", ""}));
}

TEST_F(RetentionTest, BillingRunsNewestFirstAndPbRowsByEightDigitDate)
{
    addBillingRun(*db, 1, "270101");
    addBillingRun(*db, 2, "270227");
    addBillingRun(*db, 3, "270228");
    addPb(*db, 1, "20270227");
    addPb(*db, 2, "20270228");
    const Retention::Lists l = search();
    EXPECT_EQ(column(l.billing, "請求管理No"), (QStringList{"2", "1"}));
    EXPECT_EQ(column(l.billing, "CK"), (QStringList{"-1", "-1"}));
    EXPECT_EQ(column(l.pb, "SKUCD"), QStringList{"1"});
}

TEST_F(RetentionTest, DeletesTickedRowsOnlyAfterABackup)
{
    addBatch(*db, 1, "270101", {Slip{}});
    addBatch(*db, 2, "270101", {Slip{}});
    addBillingRun(*db, 7, "270101");
    addPb(*db, 1, "20270101");
    addPb(*db, 2, "20270101");
    Retention::Lists l = search();
    l.orders.setText(1, 0, "0");   // batch 2 stays
    l.pb.setText(1, 0, "0");       // SKU 2 stays

    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    const Retention::DeleteResult r = Retention::deleteTicked(*db, d, l, 10);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.compactionRequested);
    EXPECT_EQ(d.shown()[0].defaultButton, MsgResult::Cancel);
    EXPECT_EQ(d.texts().last(),
              QString::fromUtf8("削除処理が完了しました。\n発注データ 1 件、請求データ 1 件、PBマスタデータ 1 件を削除しました。"));
    EXPECT_EQ(r.batches, 1);
    EXPECT_EQ(r.billingRuns, 1);
    EXPECT_EQ(r.pbRows, 1);
    for (const char *t : {"TBL_RD_H1", "TBL_RD_H2", "TBL_RD_BD", "TBL_FLG_DATA"}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(count(*db, t, "INDEXNOH1=1"), 0);
        EXPECT_EQ(count(*db, t, "INDEXNOH1=2"), 1);
    }
    for (const char *t : {"TBL_SEZ_H", "TBL_SEZ_B", "TBL_SEZ_BD"})
        EXPECT_EQ(count(*db, t), 0) << t;
    EXPECT_EQ(count(*db, "MST_PB", "SKU_CD=1"), 0);
    EXPECT_EQ(count(*db, "MST_PB", "SKU_CD=2"), 1);

    const QList<BackupEntry> backups = Backups::list();
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(backups[0].reason, Backups::reasonRetention());
    auto before = Database::open(folder.file("Backup/" + backups[0].name + "/data.db"));
    EXPECT_EQ(count(*before, "TBL_RD_H1"), 2);
}

TEST_F(RetentionTest, NothingTickedStillCommitsAndRequestsCompaction)
{
    addBatch(*db, 1, "270101", {Slip{"0", "0", "0"}});
    const Retention::Lists l = search();
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    const Retention::DeleteResult r = Retention::deleteTicked(*db, d, l, 10);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.compactionRequested);
    EXPECT_EQ(d.texts().last(),
              QString::fromUtf8("削除処理が完了しました。\n発注データ 0 件、請求データ 0 件、PBマスタデータ 0 件を削除しました。"));
    EXPECT_EQ(count(*db, "TBL_RD_H1"), 1);
}

TEST_F(RetentionTest, ThreeEmptyListsAskNothingAndMakeNoBackup)
{
    addBatch(*db, 1, "270301", {Slip{}});   // within its period: not listed
    const Retention::Lists l = search();
    ASSERT_EQ(l.orders.rowCount() + l.billing.rowCount() + l.pb.rowCount(), 0);
    ScriptedDialogs d;
    const Retention::DeleteResult r = Retention::deleteTicked(*db, d, l, 10);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.compactionRequested);
    ASSERT_EQ(d.shown().size(), 1);
    EXPECT_EQ(d.shown()[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(d.texts()[0], QString::fromUtf8("削除するデータはありません（保存期間を過ぎた発注データ・請求データ・PBマスタデータがありません）。"));
    EXPECT_TRUE(Backups::list().isEmpty());
    EXPECT_EQ(count(*db, "TBL_RD_H1"), 1);
}

// A search of the same periods keeps what the operator unticked on the
// rows still listed; rows new to the list come with their own ticks.
TEST_F(RetentionTest, KeepTicksCarriesTheOperatorsUnticksByKey)
{
    addBatch(*db, 1, "270101", {Slip{}});
    addBatch(*db, 2, "270101", {Slip{}});
    addBillingRun(*db, 7, "270101");
    addBillingRun(*db, 8, "270101");
    addPb(*db, 1, "20270101");
    addPb(*db, 2, "20270101");
    Retention::Lists shown = search();
    shown.orders.setText(1, 0, "0");    // batch 2
    shown.billing.setText(0, 0, "0");   // run 8 (newest first)
    shown.pb.setText(0, 0, "0");        // SKU 1
    addBillingRun(*db, 9, "270101");    // listed by the new search only

    Retention::Lists fresh = search();
    Retention::keepTicks(fresh, shown);
    EXPECT_EQ(column(fresh.orders, "CK"), (QStringList{"-1", "0"}));
    EXPECT_EQ(column(fresh.billing, "請求管理No"), (QStringList{"9", "8", "7"}));
    EXPECT_EQ(column(fresh.billing, "CK"), (QStringList{"-1", "0", "-1"}));
    EXPECT_EQ(column(fresh.pb, "CK"), (QStringList{"0", "-1"}));
}

TEST_F(RetentionTest, CancelDeletesNothingButRequestsCompaction)
{
    addBatch(*db, 1, "270101", {Slip{}});
    const Retention::Lists l = search();
    ScriptedDialogs d;
    d.answer(MsgResult::Cancel);
    const Retention::DeleteResult r = Retention::deleteTicked(*db, d, l, 10);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.compactionRequested);
    EXPECT_EQ(count(*db, "TBL_RD_H1"), 1);
    EXPECT_EQ(d.shown().size(), 1);
    EXPECT_TRUE(Backups::list().isEmpty());
}

TEST_F(RetentionTest, ABackupThatCannotBeMadeStopsTheDelete)
{
    addBatch(*db, 1, "270101", {Slip{}});
    const Retention::Lists l = search();
    QFile blocker(folder.file("Backup"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    const Retention::DeleteResult r = Retention::deleteTicked(*db, d, l, 10);
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(r.compactionRequested);
    EXPECT_EQ(count(*db, "TBL_RD_H2"), 1);
    EXPECT_TRUE(d.texts().last().startsWith(QString::fromUtf8("バックアップを作成できませんでした。")));
}

TEST_F(RetentionTest, AFailingDeleteRollsEverythingBack)
{
    addBatch(*db, 1, "270101", {Slip{}});
    addBillingRun(*db, 7, "270101");
    const Retention::Lists l = search();
    db->execute("DROP TABLE TBL_SEZ_BD");   // the last statements fail
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    const Retention::DeleteResult r = Retention::deleteTicked(*db, d, l, 10);
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(r.compactionRequested);
    EXPECT_EQ(count(*db, "TBL_RD_H1"), 1);
    EXPECT_EQ(count(*db, "TBL_SEZ_H"), 1);
    EXPECT_EQ(d.shown().last().text, QString::fromUtf8("削除処理でエラーが発生しました。\n") + QString::number(r.status));
    EXPECT_EQ(d.shown().last().icon, MsgIcon::None);
}

} // namespace
