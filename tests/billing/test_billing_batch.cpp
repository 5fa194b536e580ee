// The billing batch commands, run as a script would run them.

#include "billing/BillingBatch.h"
#include "BillingFixture.h"

#include <QTextStream>

#include <gtest/gtest.h>

namespace {

constexpr char H17[] = "                 ";
constexpr char B6[] = "      ";
constexpr char T27[] = "                           ";

class BillingBatch : public BillingFixture {
protected:
    void SetUp() override
    {
        BillingFixture::SetUp();
        Settings::write(SettingKey::TorihikisakiCd, "778899");
        slip(10, "000123", "240601", "0000015000");
        slip(11, "000124", "240625", "0000002500");
    }

    int run(const QString &name, QStringList args)
    {
        for (QString &a : args)
            a.replace(QLatin1String("OUT"), out);
        outText.clear();
        errText.clear();
        QTextStream o(&outText);
        QTextStream e(&errText);
        BatchContext ctx{args, dialogs, o, e};
        for (const BatchCommand &c : billingBatchCommands())
            if (c.name == name)
                return c.run(ctx);
        ADD_FAILURE() << "no command " << name.toStdString();
        return -1;
    }

    QString outText;
    QString errText;
};

TEST_F(BillingBatch, ClosingTickCheckBillListAndReoutput)
{
    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(run("closing", {"--from", "2024/05/21", "--to", "2024/06/20"}), 0);
    // The screen's completion message, which the batch mode prints as its line.
    EXPECT_EQ(dialogs.texts().last(), "締日計算が終了しました。\n期間 2024/05/21 ～ 2024/06/20\n"
                                      "未請求伝票 2 件、うち期間内 1 件（発行済みで納品日が期間内の伝票を請求対象にチェックしました）");

    ASSERT_EQ(run("billing-tick", {"--slip", "11", "--on"}), 0);
    EXPECT_EQ(run("billing-tick", {"--slip", "99", "--on"}), 1);
    EXPECT_EQ(dialogs.texts().last(), "今回の請求対象に伝票 99 はありません。");

    ASSERT_EQ(run("billing-check", {}), 0);
    EXPECT_EQ(outText, "今回請求分\n   伝票枚数: 2\n   合計金額: 17,500\n繰越請求分\n   伝票枚数: 0\n   合計金額: 0\n");

    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(run("bill", {"--out", "OUT/bill.txt"}), 0);
    EXPECT_EQ(outText, "請求管理No: 1\n出力ファイル: " + out + "/bill.txt\n");
    const QByteArray expected =
        QByteArray("H0000" "123456" "00001" "064" "07" "TOBARI  " "261210" "240521" "240620") + H17 + "\r\n"
        + "B0000" "123456" "00002" "240601" "09001" "01" "00000000123" "0000015000" "00" "00" "0012" + B6 + "\r\n"
        + "B0000" "123456" "00003" "240625" "09001" "01" "00000000124" "0000002500" "00" "00" "0012" + B6 + "\r\n"
        + "T0000" "123456" "00004" "00004" "00002" "00000017500" + T27 + "\r\n";
    EXPECT_EQ(read(out + "/bill.txt"), expected);

    ASSERT_EQ(run("billing-runs", {}), 0);
    EXPECT_EQ(outText, "1\t261210\t240521\t240620\t2\t17500\n");

    Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(8, 0)));
    ASSERT_EQ(run("billing-reoutput", {"--run", "1", "--out", "OUT/again.txt"}), 0);
    // The same records; only the creation date in the header is today's.
    QByteArray again = expected;
    again.replace(29, 6, "261211");
    EXPECT_EQ(read(out + "/again.txt"), again);

    EXPECT_EQ(run("billing-reoutput", {"--run", "2", "--out", "OUT/none.txt"}), 1);
    EXPECT_EQ(dialogs.texts().last(), "再出力処理がキャンセル又は異常終了しました。");

    // The slip of run 1 billed again.
    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(run("closing", {"--from", "2024/06/21", "--to", "2024/07/20"}), 0);
    ASSERT_EQ(run("billing-tick", {"--run", "1", "--slip", "10", "--on"}), 0);
    ASSERT_EQ(run("billing-check", {}), 0);
    EXPECT_EQ(outText, "今回請求分\n   伝票枚数: 0\n   合計金額: 0\n繰越請求分\n   伝票枚数: 1\n   合計金額: 15,000\n");
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(BillingBatch, ExportOfARunUsesTheBillingDefinition)
{
    ASSERT_TRUE(QDir().mkpath(folder.file("SQL")));
    EXPECT_EQ(run("billing-export", {"--run", "3", "--to", "OUT"}), 1);
    EXPECT_EQ(dialogs.texts().last(), "請求カスタム書き出し用の設定ファイルがありません。");

    QFile def(folder.file("SQL/SEIKYU.SQL"));
    ASSERT_TRUE(def.open(QIODevice::WriteOnly));
    def.write("\"\r\n,\r\nSEIKYU.CSV\r\nSELECT INDEXNOZH, OMDNNO, GOUKEI_KINGAKU FROM TBL_SEZ_B WHERE INDEXNOZH = /[0]/\r\n");
    def.close();
    recorded(3, 30, "000077", 500, false);
    recorded(4, 31, "000078", 600, false);
    ASSERT_EQ(run("billing-export", {"--run", "3", "--to", "OUT"}), 0);
    EXPECT_EQ(read(out + "/SEIKYU.CSV"), "3,\"000077\",500\r\n");
}

TEST_F(BillingBatch, WrongUsage)
{
    struct Row {
        const char *command;
        QStringList args;
    };
    for (const Row &row : {Row{"closing", {"--from", "2024/05/21"}}, Row{"billing-tick", {"--slip", "10"}},
                           Row{"billing-tick", {"--slip", "10", "--on", "--off"}},
                           Row{"billing-tick", {"--run", "x", "--slip", "10", "--on"}}, Row{"bill", {}},
                           Row{"billing-reoutput", {"--out", "OUT/x.txt"}}, Row{"billing-export", {"--run", "1"}},
                           Row{"billing-runs", {"extra"}}}) {
        SCOPED_TRACE(QString(row.command + QStringLiteral(" ") + row.args.join(' ')).toStdString());
        EXPECT_EQ(run(row.command, row.args), 2);
        EXPECT_FALSE(errText.isEmpty());
    }
}

// A NUL in the partner code used to cut the statement that records the
// run ("unrecognized token"); now the reading says which file and key.
TEST_F(BillingBatch, NulInThePartnerCodeIsRefusedNamingFileAndKey)
{
    dialogs.answer(MsgResult::Ok);
    ASSERT_EQ(run("closing", {"--from", "2024/05/21", "--to", "2024/06/20"}), 0);
    ASSERT_TRUE(Settings::write(SettingKey::TorihikisakiCd, QStringLiteral("77") + QChar(0) + QStringLiteral("99")));
    dialogs.answer(MsgResult::Ok);
    try {
        run("bill", {"--out", "OUT/bill.txt"});
        ADD_FAILURE() << "billed: " << errText.toStdString();
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::InvalidArgument);
        EXPECT_TRUE(e.description().contains("Gyoum.ini")) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains("TORIHIKISAKI_CD")) << e.description().toStdString();
    }
    EXPECT_TRUE(outFiles().isEmpty());
    EXPECT_EQ(count("Select Count(*) From TBL_SEZ_H"), 0);
}

TEST_F(BillingBatch, BillWithoutPeriodDoesNothing)
{
    EXPECT_EQ(run("bill", {"--out", "OUT/bill.txt"}), 1);
    EXPECT_EQ(run("billing-check", {}), 1);
    EXPECT_TRUE(outFiles().isEmpty());
    EXPECT_EQ(count("Select Count(*) From TBL_SEZ_H"), 0);
}

} // namespace
