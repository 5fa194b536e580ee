// Billing a closing period: the amount check, the billing run and its
// record, all or nothing.

#include "billing/BillingRun.h"
#include "billing/ClosingPeriod.h"
#include "BillingFixture.h"

#include "support/InjectedFailure.h"
#include <gtest/gtest.h>

namespace {

constexpr char H17[] = "                 ";
constexpr char B6[] = "      ";
constexpr char T27[] = "                           ";

class BillingRunTest : public BillingFixture {
protected:
    void SetUp() override
    {
        BillingFixture::SetUp();
        openPeriod("2024/05/21", "2024/06/20");
        slip(10, "000123", "240601", "0000015000");
        slip(11, "000124", "240605", "0000002500");
        slip(12, "000125", "240625", "0000000900");
        gathered(10, 15000);
        gathered(11, 2500);
        gathered(12, 900, false);
        runHeader(3, "240421", "240520");
        recorded(3, 30, "000077", 500, false, {{"OMNKDT", "240510"}});
        db->execute("Update MST_IDX Set IVal=4 Where IKey='ZH'");
    }

    SeikyuOutcome bill(bool periodOpen = true) { return SeikyuKakunin(*db, dialogs, settings, periodOpen, false); }
    QString target() const { return out + "/bill.txt"; }

    // Everything billing may change, as text, to compare before and after.
    QString snapshot()
    {
        QStringList parts;
        for (const char *sql :
             {"Select INDEXNOH2||':'||HA_FLG||':'||coalesce(CAST(KINGAKU_KEI AS TEXT),'N') From TBL_SEM_B "
              "Order By INDEXNOH2",
              "Select INDEXNOZH||':'||INDEXNOH2||':'||HA_FLG||':'||GOUKEI_KINGAKU From TBL_SEZ_B "
              "Order By INDEXNOZH,INDEXNOH2",
              "Select INDEXNOZH||':'||INDEXNOBD From TBL_SEZ_BD Order By INDEXNOZH,INDEXNOH2,INDEXNOBD",
              "Select INDEXNOZH From TBL_SEZ_H Order By INDEXNOZH",
              "Select INDEXNOH2||':'||SEIKYU_FLG From TBL_RD_H2 Order By INDEXNOH2",
              "Select KEYC||'='||VALUEC From MST_JYOUKEN Order By KEYC",
              "Select IVal From MST_IDX Where IKey='ZH'"})
            parts << joined(QString::fromLatin1(sql), " ");
        return parts.join('\n');
    }
};

// The run header's partner code is the setting as text, empty included:
// Null would be no partner code at all to the statements reading it.
TEST_F(BillingRunTest, EmptyPartnerCodeIsStoredAsEmptyText)
{
    db->execute("Update TBL_SEZ_B Set HA_FLG='-1'");
    const qint32 run = RecordBillingRun(*db, QString());
    EXPECT_EQ(value(QStringLiteral("Select ifnull(TORIHIKISAKI_CD,'Null') From TBL_SEZ_H Where INDEXNOZH=%1").arg(run)), "");
}

TEST_F(BillingRunTest, AmountCheckShowsTheSummaryAndChangesNothing)
{
    db->execute("Update TBL_SEZ_B Set HA_FLG='-1'");
    const QString before = snapshot();
    const SeikyuOutcome r = SeikyuKakunin(*db, dialogs, settings, true, true);
    EXPECT_EQ(r.status, SeikyuStatus::Checked);
    EXPECT_FALSE(r.asked);
    EXPECT_EQ(dialogs.texts(), QStringList{"今回請求分\r\n   伝票枚数: 2\r\n   合計金額: 17,500\r\n"
                                           "繰越請求分\r\n   伝票枚数: 1\r\n   合計金額: 500\r\n"});
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(outFiles().isEmpty());
}

TEST_F(BillingRunTest, NothingDoneWithoutPeriodOrTicks)
{
    struct Row {
        const char *name;
        bool periodOpen;
        bool untick;
        const char *message;
    };
    for (const Row &row : {Row{"no_period", false, false, "現在請求中ではありません。\r\n締日計算を行った後に処理をして下さい。"},
                           Row{"nothing_ticked", true, true,
                               "請求するデータがありません。\n今回請求分にも繰越請求分にもチェックされた伝票がありません"
                               "（締日計算の対象は通常受注の未請求伝票で、値札発行依頼を作成した伝票は含まれません）。"}}) {
        SCOPED_TRACE(row.name);
        ScriptedDialogs d;
        if (row.untick)
            db->execute("Update TBL_SEM_B Set HA_FLG='0'");
        const QString before = snapshot();
        for (bool checkOnly : {true, false}) {
            const SeikyuOutcome r = SeikyuKakunin(*db, d, settings, row.periodOpen, checkOnly);
            EXPECT_EQ(r.status, SeikyuStatus::NothingDone);
        }
        EXPECT_EQ(d.texts(), (QStringList{row.message, row.message}));
        EXPECT_EQ(snapshot(), before);
    }
}

TEST_F(BillingRunTest, BillingWritesTheFileThenRecordsTheRun)
{
    db->execute("Update TBL_SEZ_B Set HA_FLG='-1'");
    dialogs.answer(MsgResult::Ok).answerFile(target());
    const SeikyuOutcome r = bill();
    EXPECT_EQ(r.status, SeikyuStatus::Billed);
    EXPECT_TRUE(r.asked);
    EXPECT_EQ(r.run, 4);
    EXPECT_EQ(dialogs.texts().first(), "今回請求分\r\n   伝票枚数: 2\r\n   合計金額: 17,500\r\n"
                                      "繰越請求分\r\n   伝票枚数: 1\r\n   合計金額: 500\r\n"
                                      "この情報で請求処理を行っても宜しいですか？");
    EXPECT_EQ(dialogs.shown().first().title, "確認");
    // The run's header counts the three slips once each, 18,000 yen in all.
    EXPECT_EQ(dialogs.texts().last(), "請求処理が終了しました。\n請求管理No: 4\n請求データファイル: " + target()
                                          + "\n伝票 3 枚、合計金額 18,000 円");
    EXPECT_EQ(r.slips, 3);
    EXPECT_EQ(r.amount, 18000);

    EXPECT_EQ(read(target()),
              QByteArray("H0000" "123456" "00001" "064" "07" "TOBARI  " "261210" "240521" "240620") + H17 + "\r\n"
              + "B0000" "123456" "00002" "240510" "09001" "01" "00000000077" "0000000500" "00" "00" "0012" + B6 + "\r\n"
              + "B0000" "123456" "00003" "240601" "09001" "01" "00000000123" "0000015000" "00" "00" "0012" + B6 + "\r\n"
              + "B0000" "123456" "00004" "240605" "09001" "01" "00000000124" "0000002500" "00" "00" "0012" + B6 + "\r\n"
              + "T0000" "123456" "00005" "00005" "00003" "00000018000" + T27 + "\r\n");

    EXPECT_EQ(value("Select INDEXNOZH||'|'||TORIHIKISAKI_CD||'|'||DATA_SYU||'|'||DATA_SAKUSEI_BI||'|'||TAISYOU_J||'|'||"
                    "TAISYOU_I||'|'||DEN_MAISUU||'|'||KINGAKU_KEI From TBL_SEZ_H Where INDEXNOZH=4"),
              "4|778899|064|261210|240521|240620|3|18000");
    EXPECT_EQ(joined("Select INDEXNOH2||':'||OMDNNO||':'||HA_FLG||':'||GOUKEI_KINGAKU From TBL_SEZ_B "
                     "Where INDEXNOZH=4 Order By INDEXNOH2", " "),
              "10:000123:0:15000 11:000124:0:2500 30:000077:0:500");
    EXPECT_EQ(joined("Select INDEXNOBD||':'||ONGENJ From TBL_SEZ_BD Where INDEXNOZH=4 Order By INDEXNOBD", " "),
              "100:0000015000 110:0000002500 300:500");
    EXPECT_EQ(count("Select Count(*) From TBL_SEZ_B Where HA_FLG='-1'"), 0);
    EXPECT_EQ(joined("Select INDEXNOH2||':'||SEIKYU_FLG From TBL_RD_H2 Order By INDEXNOH2", " "), "10:-1 11:-1 12:0");
    EXPECT_EQ(count("Select Count(*) From TBL_SEM_B"), 0);
    EXPECT_EQ(GetJoukenValue(*db, "ZENKAI_SEIKYU_BI"), "2024/06/20");
    EXPECT_EQ(storedClosingPeriod(*db).isOpen(), false);
    EXPECT_EQ(GetJoukenValue(*db, "SHIME_BI_J"), "");

    // The next closing proposes the day after and skips the billed slips.
    EXPECT_EQ(proposeClosingPeriod(*db, "20").from, "2024/06/21");
    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(runClosing(*db, dialogs, "2024/06/21", "2024/07/20").status, 0);
    EXPECT_EQ(joined("Select INDEXNOH2 From TBL_SEM_B Order By INDEXNOH2"), "12");
}

TEST_F(BillingRunTest, OnlyCarriedOverSlipsAreCopiedUnderTheNewRun)
{
    db->execute("Update TBL_SEM_B Set HA_FLG='0'");
    db->execute("Update TBL_SEZ_B Set HA_FLG='-1'");
    dialogs.answer(MsgResult::Ok).answerFile(target());
    ASSERT_EQ(bill().status, SeikyuStatus::Billed);
    EXPECT_TRUE(dialogs.texts().first().startsWith("今回請求分\r\n   伝票枚数: 0\r\n   合計金額: 0\r\n"));
    EXPECT_EQ(value("Select DEN_MAISUU||'|'||KINGAKU_KEI From TBL_SEZ_H Where INDEXNOZH=4"), "1|500");
    // The slip is in the history twice now, once per run.
    EXPECT_EQ(joined("Select INDEXNOZH||':'||HA_FLG From TBL_SEZ_B Where INDEXNOH2=30 Order By INDEXNOZH", " "),
              "3:0 4:0");
    EXPECT_EQ(joined("Select INDEXNOZH From TBL_SEZ_BD Where INDEXNOH2=30 Order By INDEXNOZH", " "),
              "3 4");
    EXPECT_EQ(joined("Select INDEXNOH2||':'||SEIKYU_FLG From TBL_RD_H2 Order By INDEXNOH2", " "), "10:0 11:0 12:0");
}

TEST_F(BillingRunTest, LastBillingDateIsStoredEvenWithoutItsRow)
{
    db->execute("Delete From MST_JYOUKEN Where KEYC='ZENKAI_SEIKYU_BI'");
    dialogs.answer(MsgResult::Ok).answerFile(target());
    ASSERT_EQ(bill().status, SeikyuStatus::Billed);
    EXPECT_EQ(GetJoukenValue(*db, "ZENKAI_SEIKYU_BI"), "2024/06/20");
}

TEST_F(BillingRunTest, NothingRecordedWhenTheFileIsNotWritten)
{
    struct Row {
        const char *name;
        QString answer;
        int status;
        QStringList messagesAfterQuestion;
    };
    for (const Row &row : {Row{"save_dialog_cancelled", QString(), SeikyuStatus::FileCancelled,
                               {"", "請求処理がキャンセルされました。"}},
                           Row{"folder_missing", out + "/missing/bill.txt", 75, {"", "", "処理が不正終了しました。"}}}) {
        SCOPED_TRACE(row.name);
        ScriptedDialogs d;
        d.answer(MsgResult::Ok).answerFile(row.answer);
        const QString before = snapshot();
        const SeikyuOutcome r = SeikyuKakunin(*db, d, settings, true, false);
        EXPECT_EQ(r.status, row.status);
        EXPECT_TRUE(r.asked);
        EXPECT_EQ(snapshot(), before);
        EXPECT_TRUE(outFiles().isEmpty());
        EXPECT_EQ(d.texts().last(), row.messagesAfterQuestion.last());
        EXPECT_EQ(d.texts().size(), row.messagesAfterQuestion.size() + 1);
    }
}

TEST_F(BillingRunTest, DeclinedQuestionChangesNothing)
{
    const QString before = snapshot();
    dialogs.answer(MsgResult::Cancel);
    const SeikyuOutcome r = bill();
    EXPECT_EQ(r.status, SeikyuStatus::NothingDone);
    EXPECT_FALSE(r.asked);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(BillingRunTest, FailureWhileRecordingLeavesNothingRecordedAndNoFile)
{
    db->execute("Update TBL_SEZ_B Set HA_FLG='-1'");
    const QString before = snapshot();
    // Fails at the billed flags, after the run header and the copies.
    injectFailure(*db, "fail_billing", "TBL_RD_H2", "UPDATE OF SEIKYU_FLG", "injected");
    dialogs.answer(MsgResult::Ok).answerFile(target());
    const SeikyuOutcome r = bill();
    EXPECT_GT(r.status, 10000);
    EXPECT_TRUE(r.asked);
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(outFiles().isEmpty());
    EXPECT_TRUE(dialogs.texts().last().startsWith("請求処理の記録中にエラーが発生しました。請求は記録されていません。\n"
                                                  "作成した請求データファイルは削除しました。"));
    EXPECT_EQ(dialogs.shown().last().icon, MsgIcon::Critical);
    EXPECT_EQ(db->transactionDepth(), 0);
}

TEST_F(BillingRunTest, TicksAreWrittenThrough)
{
    EXPECT_TRUE(setCurrentTick(*db, 10, false));
    EXPECT_TRUE(setCurrentTick(*db, 12, true));
    EXPECT_FALSE(setCurrentTick(*db, 99, true));
    EXPECT_TRUE(setCarriedTick(*db, 3, 30, true));
    EXPECT_FALSE(setCarriedTick(*db, 4, 30, true));
    EXPECT_EQ(joined("Select INDEXNOH2||':'||HA_FLG From TBL_SEM_B Order By INDEXNOH2", " "), "10:0 11:-1 12:-1");
    EXPECT_EQ(joined("Select INDEXNOZH||':'||HA_FLG From TBL_SEZ_B Order By INDEXNOZH,INDEXNOH2", " "), "3:-1");
}

} // namespace
