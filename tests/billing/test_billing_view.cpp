// The billing file viewer: records read back by the file's own layout, the
// trailers checked against the slips before them, and the batch command.

#include "billing/BillingBatch.h"
#include "billing/BillingFile.h"
#include "billing/BillingFileView.h"
#include "store/BatchCommand.h"
#include "store/DbError.h"
#include "support/ScriptedDialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

const QByteArray H17(17, ' ');
const QByteArray B6(6, ' ');
const QByteArray T27(27, ' ');

QByteArray lines(std::initializer_list<QByteArray> records)
{
    QByteArray all;
    for (const QByteArray &r : records)
        all += r + "\r\n";
    return all;
}

QByteArray header(const char *partner, const char *seq)
{
    return QByteArray("H0000") + partner + seq + "064" "07" "TOBARI  " "261210" "240521" "240620" + H17;
}

QByteArray detail(const char *partner, const char *seq, const char *slip, const char *amount)
{
    return QByteArray("B0000") + partner + seq + "240601" "09001" "01" + slip + amount + "00" "00" "0012" + B6;
}

QByteArray trailer(const char *partner, const char *seq, const char *records, const char *slips, const char *total)
{
    return QByteArray("T0000") + partner + seq + records + slips + total + T27;
}

// Two partners as the writer writes them: 15,000 + 2,500 and 700 yen.
const QByteArray GoodFile = lines({header("123456", "00001"),
                                   detail("123456", "00002", "00000000123", "0000015000"),
                                   detail("123456", "00003", "00000000124", "0000002500"),
                                   trailer("123456", "00004", "00004", "00002", "00000017500"),
                                   header("223344", "00005"),
                                   detail("223344", "00006", "00000000200", "0000000700"),
                                   trailer("223344", "00007", "00003", "00001", "00000000700")});

QStringList slipRows(const BillingFileView &v)
{
    QStringList out;
    for (const QStringList &row : billingViewRows(v))
        out << row.join('|');
    return out;
}

TEST(BillingFileView, RecordsDecodedAndTrailersAgree)
{
    const BillingFileView v = decodeBillingFile(GoodFile);
    EXPECT_TRUE(v.ok()) << v.problems.join('\n').toStdString();
    EXPECT_EQ(billingViewCaptions(), (QStringList{"取引先", "伝票No", "納品日", "金額"}));
    EXPECT_EQ(slipRows(v), (QStringList{"123456|00000000123|240601|15,000", "123456|00000000124|240601|2,500",
                                        "223344|00000000200|240601|700"}));
    EXPECT_EQ(v.created, "261210");
    EXPECT_EQ(v.from, "240521");
    EXPECT_EQ(v.to, "240620");
    EXPECT_EQ(v.total, 18200);
    ASSERT_EQ(v.groups.size(), 2);
    EXPECT_TRUE(v.groups[0].agrees());
    EXPECT_EQ(billingViewSummary(v), (QStringList{"取引先 123456: 伝票 2 件 17,500 円（トレーラーと一致）",
                                                  "取引先 223344: 伝票 1 件 700 円（トレーラーと一致）",
                                                  "合計: 伝票 3 件 18,200 円"}));
}

TEST(BillingFileView, ReadsWhatTheWriterWrites)
{
    const QList<BillingSlip> slips{{"12345", "240601", "001", "01", "000123", "0012", 15000},
                                   {"12345", "240602", "1234567", "01", "000124", "0012", 2500},
                                   {"ｶｽﾀﾑ", "240603", "002", "02", "9", "1", QVariant()}};
    const BillingFileView v = decodeBillingFile(billingFileBytes(slips, {"261210", "240521", "240620"}));
    EXPECT_TRUE(v.ok()) << v.problems.join('\n').toStdString();
    EXPECT_EQ(slipRows(v), (QStringList{"12345|00000000123|240601|15,000", "12345|00000000124|240602|2,500",
                                        "ｶｽﾀﾑ|00000000009|240603|0"}));
    EXPECT_EQ(v.slips[1].store, "09123");
}

// Files whose records disagree: each problem named plainly, with its line.
struct BadFile {
    const char *name;
    QByteArray bytes;
    QStringList problems;
};

class BillingFileProblems : public ::testing::TestWithParam<BadFile> {};

TEST_P(BillingFileProblems, AreListed)
{
    const BillingFileView v = decodeBillingFile(GetParam().bytes);
    EXPECT_FALSE(v.ok());
    EXPECT_EQ(v.problems, GetParam().problems);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BillingFileProblems,
    ::testing::Values(
        BadFile{"TrailerTotalDisagrees",
                lines({header("123456", "00001"), detail("123456", "00002", "00000000123", "0000015000"),
                       trailer("123456", "00003", "00003", "00001", "00000015001")}),
                {"3 行目: 取引先 123456 の合計金額が 15,001 円とありますが、伝票の合計は 15,000 円です。"}},
        BadFile{"TrailerCountsDisagree",
                lines({header("123456", "00001"), detail("123456", "00002", "00000000123", "0000015000"),
                       detail("123456", "00003", "00000000124", "0000000500"),
                       trailer("123456", "00004", "00003", "00001", "00000015500")}),
                {"4 行目: 取引先 123456 のレコード件数が 3 件とありますが、実際は 4 件です。",
                 "4 行目: 取引先 123456 の伝票件数が 1 件とありますが、実際は 2 件です。"}},
        BadFile{"SequenceBroken",
                lines({header("123456", "00001"), detail("123456", "00003", "00000000123", "0000015000"),
                       trailer("123456", "00003", "00003", "00001", "00000015000")}),
                {"2 行目: 通番が「00003」です（2 のはずです）。"}},
        BadFile{"MissingTrailer",
                lines({header("123456", "00001"), detail("123456", "00002", "00000000123", "0000015000")}),
                {"ファイルの終わりに取引先 123456 のトレーラー（T）がありません。"}},
        BadFile{"ShortRecordAndBareLf",
                header("123456", "00001") + "\r\n" + detail("123456", "00002", "00000000123", "0000015000").left(60)
                    + "\n" + trailer("123456", "00003", "00002", "00000", "00000000000") + "\r\n",
                {"2 行目: レコードの長さが 60 バイトです（64 バイトのはずです）。", "2 行目: 行末が CR LF ではありません。"}},
        BadFile{"DetailOfAnotherPartner",
                lines({header("123456", "00001"), detail("654321", "00002", "00000000123", "0000015000"),
                       trailer("123456", "00003", "00003", "00001", "00000015000")}),
                {"2 行目: 伝票 00000000123 の取引先 654321 がヘッダーの取引先 123456 と違います。"}},
        BadFile{"AmountNotANumber",
                lines({header("123456", "00001"), detail("123456", "00002", "00000000123", "00000150X0"),
                       trailer("123456", "00003", "00003", "00001", "00000000000")}),
                {"2 行目: 金額「00000150X0」が数字ではありません。"}},
        BadFile{"UnknownKind", lines({QByteArray("X") + QByteArray(63, '0')}),
                {"1 行目: レコード種別「X」は H・B・T のどれでもありません。"}},
        BadFile{"Empty", QByteArray(), {"レコードがありません。"}}),
    [](const auto &info) { return std::string(info.param.name); });

class BillingViewBatch : public ::testing::Test {
protected:
    int run(const QStringList &args)
    {
        outText.clear();
        errText.clear();
        QTextStream o(&outText);
        QTextStream e(&errText);
        BatchContext ctx{args, dialogs, o, e};
        for (const BatchCommand &c : billingBatchCommands())
            if (c.name == "billing-view") {
                EXPECT_FALSE(c.opensDatabase) << "a file viewer needs no database";
                return c.run(ctx);
            }
        ADD_FAILURE() << "no billing-view";
        return -1;
    }
    QString write(const QByteArray &bytes)
    {
        const QString path = dir.filePath("seikyu.txt");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QString outText;
    QString errText;
};

TEST_F(BillingViewBatch, PrintsTheTableAndTheChecks)
{
    EXPECT_EQ(run({write(GoodFile)}), 0);
    EXPECT_EQ(outText, QString("取引先\t伝票No\t納品日\t金額\n"
                               "123456\t00000000123\t240601\t15,000\n"
                               "123456\t00000000124\t240601\t2,500\n"
                               "223344\t00000000200\t240601\t700\n"
                               "取引先 123456: 伝票 2 件 17,500 円（トレーラーと一致）\n"
                               "取引先 223344: 伝票 1 件 700 円（トレーラーと一致）\n"
                               "合計: 伝票 3 件 18,200 円\n"
                               "トレーラーの件数と合計はすべて一致しています。\n"));
}

TEST_F(BillingViewBatch, DisagreeingFileExitsOneAndSaysWhy)
{
    QByteArray bad = GoodFile;
    bad.replace("00000017500", "00000017000");
    EXPECT_EQ(run({write(bad)}), 1);
    EXPECT_TRUE(outText.contains("取引先 123456: 伝票 2 件 17,500 円（トレーラーと不一致）\n")) << outText.toStdString();
    EXPECT_TRUE(outText.contains("4 行目: 取引先 123456 の合計金額が 17,000 円とありますが、伝票の合計は 17,500 円です。\n"));
    EXPECT_TRUE(outText.endsWith("請求データファイルの内容が一致しません。送信しないでください。\n"));
}

TEST_F(BillingViewBatch, MissingFileAndWrongUsage)
{
    EXPECT_EQ(run({dir.filePath("none.txt")}), 3);
    EXPECT_TRUE(outText.contains("53") || errText.contains("53")) << (outText + errText).toStdString();
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"a", "b"}), 2);
}

} // namespace
