// print-slips and print-assortment as an operator's script runs them: the
// questions answered by --yes, the PDF named by --pdf, the stamps, and the
// exit codes.
#include "store/Database.h"
#include "support/QtPrint.h"
#include "support/SlipRows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

class PrintBatch : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(run({"init"}).status, 0);
        auto db = Database::open(dir.filePath(QStringLiteral("data.db")));
        SlipRows::insert(*db, QStringLiteral("TBL_RD_H1"), {{"INDEXNOH1", 1}, {"OLDATE", "261201"}});
        SlipRows::insert(*db, QStringLiteral("TBL_FLG_DATA"), {{"INDEXNOH1", 1}});
        for (int h2 : {10, 11}) {
            SlipRows::slip(*db, 1, h2, {{"OMDNNO", QString::number(300000 + h2)}, {"OMHCNO", "7000001"},
                                        {"OMHCKB", "0"}, {"OMMSCD", QString::number(h2)}});
            SlipRows::line(*db, 1, h2, h2 * 10, QStringLiteral("000010"), QStringLiteral("0001980"),
                           {{"ONLINE", "01"}, {"ONGTNK", "000100000"}, {"ONGENJ", "0000001000"},
                            {"ONBAIJ", "0000001980"}});
        }
    }

    Outcome run(const QStringList &args)
    {
        QProcess p;
        p.setProgram(QStringLiteral(TOBARI_EXE));
        p.setArguments(QStringList{QStringLiteral("--app-folder"), dir.path(), QStringLiteral("--now"),
                                   QStringLiteral("2026-12-10T09:30:00")}
                       + args);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start();
        p.waitForFinished(120000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QString stamps()
    {
        auto db = Database::open(dir.filePath(QStringLiteral("data.db")));
        QString s = db->scalar(QStringLiteral("Select ifnull(DENPYOU_OP_DATE,'') || '/' || ifnull(SHINAZOROE_OP_DATE,'') "
                                              "From TBL_FLG_DATA"))
                        .toString();
        for (int h2 : {10, 11})
            s += QLatin1Char('/')
                + db->scalar(QStringLiteral("Select ifnull(DEN_OP_DATE,'') From TBL_RD_H2 Where INDEXNOH2=%1").arg(h2))
                      .toString();
        return s;
    }

    QTemporaryDir dir;
};

TEST_F(PrintBatch, AllSlipsToAPdfWithYes)
{
    const QString pdf = dir.filePath(QStringLiteral("out/slips.pdf"));
    QDir().mkpath(dir.filePath(QStringLiteral("out")));

    // Without --yes the question is declined: nothing printed or stamped.
    const Outcome declined = run({"print-slips", "--batch", "1", "--pdf", pdf});
    EXPECT_EQ(declined.status, 1) << declined.err.toStdString();
    EXPECT_TRUE(declined.out.contains(QStringLiteral("伝票出力枚数は 2枚です"))) << declined.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_EQ(stamps(), "///");

    const Outcome done = run({"print-slips", "--batch", "1", "--pdf", pdf, "--yes"});
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_TRUE(done.out.contains(QStringLiteral("印刷した 2 ページを PDF ファイルに出力しました。"))) << done.out.toStdString();
    EXPECT_TRUE(QFileInfo(pdf).size() > 0);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("slips.pdf")});
    EXPECT_EQ(stamps(), "261210//261210/261210");

    // One slip: its own question, and a new page in the same file.
    const Outcome again = run({"print-slips", "--batch", "1", "--slip", "300011", "--pdf", pdf, "--yes"});
    EXPECT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains(QStringLiteral("伝票単枚印刷を行います。"))) << again.out.toStdString();
}

TEST_F(PrintBatch, AssortmentListsAndOneOrder)
{
    const QString pdf = dir.filePath(QStringLiteral("lists.pdf"));
    const Outcome one = run({"print-assortment", "--batch", "1", "--order", "7000001", "--pdf", pdf, "--yes"});
    EXPECT_EQ(one.status, 0) << one.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(stamps(), "///");   // one order's list stamps nothing

    const Outcome all = run({"print-assortment", "--batch", "1", "--pdf", pdf, "--yes"});
    EXPECT_EQ(all.status, 0) << all.err.toStdString();
    EXPECT_TRUE(all.out.contains(QStringLiteral("品揃えリスト出力枚数は 1-0枚です"))) << all.out.toStdString();
    EXPECT_EQ(stamps(), "/261210//");
}

TEST_F(PrintBatch, WrongUsageMissingDataAndErrors)
{
    struct Case {
        QStringList args;
        int status;
        const char *says;
    };
    const Case cases[] = {
        {{"print-slips"}, 2, "--batch で管理No を指定してください。"},
        {{"print-slips", "--batch", "x"}, 2, "管理No は正の整数で指定してください"},
        {{"print-slips", "--batch", "1", "--order", "1"}, 2, "不明な引数です: --order"},
        {{"print-slips", "--batch", "9", "--yes"}, 1, "管理No 9 の取込データはありません。"},
        {{"print-slips", "--batch", "1", "--slip", "999999", "--yes"}, 1, "伝票番号 999999 の伝票は管理No 1 にありません。"},
        {{"print-assortment", "--batch", "1", "--order", "1", "--yes"}, 1, "発注番号 1 の発注は管理No 1 にありません。"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const Outcome o = run(c.args);
        EXPECT_EQ(o.status, c.status);
        EXPECT_TRUE((o.out + o.err).contains(QString::fromUtf8(c.says))) << (o.out + o.err).toStdString();
    }
    EXPECT_EQ(stamps(), "///");

    // A broken form fails with its number, before any stamp and any file.
    {
        QFile form(dir.filePath(QStringLiteral("COR/TA2.crf")));
        ASSERT_TRUE(form.open(QIODevice::WriteOnly));
        form.write("{ not a form");
    }
    const Outcome failed = run({"print-slips", "--batch", "1", "--pdf", dir.filePath("x.pdf"), "--yes"});
    EXPECT_EQ(failed.status, 3);
    EXPECT_TRUE(failed.err.contains(QStringLiteral("エラー 20001:"))) << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains(QStringLiteral("TA2.crf"))) << failed.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.pdf")));
    EXPECT_EQ(stamps(), "///");
}

// A preview into a PDF asks nothing (no --yes needed) and stamps nothing,
// so it can be made before the stock goes into the printer.
TEST_F(PrintBatch, PreviewPdfWithoutStamps)
{
    const QString pdf = dir.filePath(QStringLiteral("preview.pdf"));
    const Outcome slips = run({"print-slips", "--batch", "1", "--preview", "--pdf", pdf});
    EXPECT_EQ(slips.status, 0) << slips.err.toStdString();
    EXPECT_TRUE(slips.out.contains(QStringLiteral("プレビューの 2 ページを PDF ファイルに出力しました（印刷済みにはしていません）。")))
        << slips.out.toStdString();
    EXPECT_FALSE(slips.out.contains(QStringLiteral("伝票出力枚数"))) << "a preview asks no question";
    EXPECT_TRUE(QFileInfo(pdf).size() > 0);
    EXPECT_EQ(stamps(), "///");

    const Outcome one = run({"print-slips", "--batch", "1", "--slip", "300011", "--preview", "--pdf", pdf});
    EXPECT_EQ(one.status, 0) << one.err.toStdString();
    EXPECT_TRUE(one.out.contains(QStringLiteral("プレビューの 1 ページ"))) << one.out.toStdString();
    const Outcome lists = run({"print-assortment", "--batch", "1", "--preview", "--pdf", pdf});
    EXPECT_EQ(lists.status, 0) << lists.err.toStdString();
    EXPECT_EQ(stamps(), "///");

    const Outcome noFile = run({"print-slips", "--batch", "1", "--preview"});
    EXPECT_EQ(noFile.status, 2);
    EXPECT_TRUE(noFile.err.contains(QStringLiteral("--preview には --pdf FILE が必要です。"))) << noFile.err.toStdString();
}

} // namespace
