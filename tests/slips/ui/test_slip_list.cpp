// The slip list screen on the offscreen platform, with the print runs
// recorded instead of printed.

#include "slips/ui/frm0101_DenList.h"
#include "ui/FunctionKeyBar.h"
#include "ui/GridView.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Batch 1: two ordinary orders in three slips and two advance orders.
// Batch 2: advance orders only. Batch 3: no slips at all.
class SlipList : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        auto batch = [&](int h1, const char *date) {
            SlipRows::insert(*db, "TBL_RD_H1", {{"INDEXNOH1", h1}, {"OLDATE", date}});
            SlipRows::insert(*db, "TBL_FLG_DATA", {{"INDEXNOH1", h1}, {"IMPORT_DATE", "261209"}});
        };
        batch(1, "261208");
        batch(2, "261209");
        batch(3, "261201");
        int h2 = 10;
        for (const auto &[slip, order, kind] : std::initializer_list<std::tuple<const char *, const char *, const char *>>{
                 {"000101", "7000001", "0"}, {"000102", "7000001", "0"}, {"000103", "7000002", "0"},
                 {"000104", "7000003", "1"}, {"000105", "7000004", "1"}})
            SlipRows::slip(*db, 1, h2++, {{"OMDNNO", slip}, {"OMHCNO", order}, {"OMHCKB", kind}, {"OMMSKN", "店"},
                                         {"DEN_EXP_CHECK", "-1"}});
        SlipRows::slip(*db, 2, h2++, {{"OMDNNO", "000201"}, {"OMHCNO", "7100001"}, {"OMHCKB", "1"}});
        SlipRows::slip(*db, 2, h2++, {{"OMDNNO", "000202"}, {"OMHCNO", "7100002"}, {"OMHCKB", "1"}});
        SlipRows::line(*db, 1, 10, 100, "000150", "0001980", {{"ONLINE", "01"}});

        DenListPrinting printing;
        printing.allSlips = [this](qint32 b, const QString &date, const QString &count) {
            calls << QString("allSlips %1 [%2] [%3]").arg(b).arg(date, count);
            return result;
        };
        printing.allAssortmentLists = [this](qint32 b, const QString &date, const QString &count) {
            calls << QString("allLists %1 [%2] [%3]").arg(b).arg(date, count);
            return result;
        };
        printing.oneSlip = [this](qint32 b, const QString &slip) {
            calls << QString("oneSlip %1 %2").arg(b).arg(slip);
            return result;
        };
        printing.oneAssortmentList = [this](qint32 b, const QString &order) {
            calls << QString("oneList %1 %2").arg(b).arg(order);
            return result;
        };
        printing.preview = [this](qint32 b, const QString &one, bool slips) {
            calls << QString("preview %1 [%2] %3").arg(b).arg(one, slips ? "slips" : "lists");
            return previewPrints;
        };
        screen = std::make_unique<frm0101_DenList>(dialogs, printing);
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }

    GridModel &batches() { return *screen->tdbList1->gridModel(); }
    GridModel &detail() { return *screen->tdbList2->gridModel(); }
    QStringList labels()
    {
        QStringList out;
        for (int i = 0; i < 12; ++i)
            out << screen->xlabFnc->caption(i);
        return out;
    }
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    std::unique_ptr<frm0101_DenList> screen;
    QStringList calls;
    int result = PrintRun::Done;
    bool previewPrints = false;   // the operator's choice in the preview: print, or close
};

TEST_F(SlipList, BatchesNewestFirstWithTheirCounts)
{
    ASSERT_EQ(batches().rowCount(), 3);
    EXPECT_EQ(batches().text(0, "管理No"), "2");
    EXPECT_EQ(batches().text(1, "管理No"), "1");
    EXPECT_EQ(batches().text(1, "伝票枚数"), "3");
    EXPECT_EQ(batches().text(1, "発注書枚数"), "2-2");
    EXPECT_EQ(batches().text(0, "伝票枚数"), "");
    EXPECT_EQ(batches().text(0, "発注書枚数"), "-2");
    EXPECT_EQ(batches().text(2, "発注書枚数"), "-0");
}

TEST_F(SlipList, ModesAndLabels)
{
    const QStringList mode1{"伝票印刷", "品揃印刷", "ｶｽﾀﾑ出力", "", "伝票明細", "品揃明細", "伝票ﾌﾟﾚﾋﾞｭｰ", "品揃ﾌﾟﾚﾋﾞｭｰ",
                            "戻る", "", "", ""};
    const QStringList mode2{"単枚印刷", "数量訂正", "ｶｽﾀﾑ出力", "", "", "", "ﾌﾟﾚﾋﾞｭｰ", "", "戻る", "", "", ""};
    const QStringList mode3{"単枚印刷", "", "", "", "", "", "ﾌﾟﾚﾋﾞｭｰ", "", "戻る", "", "", ""};
    EXPECT_EQ(screen->mode(), frm0101_DenList::Batches);
    EXPECT_EQ(labels(), mode1);

    screen->tdbList1->setCurrentRow(1);
    key(Qt::Key_F5);   // the batch's slips
    EXPECT_EQ(screen->mode(), frm0101_DenList::Slips);
    EXPECT_EQ(labels(), mode2);
    EXPECT_EQ(detail().rowCount(), 3);
    EXPECT_EQ(detail().text(0, 1), "000101");

    screen->tdbList1->setFocus();   // back in the batch grid: detail emptied
    EXPECT_EQ(detail().rowCount(), 0);
    EXPECT_EQ(labels(), mode1);

    key(Qt::Key_F6);   // the batch's orders, ordinary and advance
    EXPECT_EQ(screen->mode(), frm0101_DenList::Orders);
    EXPECT_EQ(labels(), mode3);
    EXPECT_EQ(detail().rowCount(), 4);
    EXPECT_TRUE(detail().rowTexts(0).join(',').contains("7000001"));

    // Moving to another batch row empties the detail list.
    screen->tdbList1->setCurrentRow(0);
    EXPECT_EQ(detail().rowCount(), 0);
}

TEST_F(SlipList, AllSlipsStampTheCellOnlyAfterACompleteRun)
{
    screen->tdbList1->setCurrentRow(1);
    result = PrintRun::Stopped;
    key(Qt::Key_F1);
    EXPECT_EQ(batches().text(1, "伝票出力日"), "");
    result = PrintRun::Done;
    key(Qt::Key_F1);
    EXPECT_EQ(batches().text(1, "伝票出力日"), "261210");
    EXPECT_EQ(calls, (QStringList{"allSlips 1 [] [3]", "allSlips 1 [] [3]"}));
    key(Qt::Key_F2);
    EXPECT_EQ(calls.last(), "allLists 1 [] [2-2]");
    EXPECT_EQ(batches().text(1, "品揃出力日"), "261210");
}

TEST_F(SlipList, OneSlipAlwaysStampsItsCellsUnlessDeclined)
{
    screen->tdbList1->setCurrentRow(1);
    key(Qt::Key_F5);
    screen->tdbList2->setCurrentRow(1);
    result = PrintRun::Declined;
    key(Qt::Key_F1);
    EXPECT_EQ(detail().text(1, "伝票発行日"), "");
    result = PrintRun::Stopped;
    key(Qt::Key_F1);
    EXPECT_EQ(calls.last(), "oneSlip 1 000102");
    EXPECT_EQ(detail().text(1, "伝票発行日"), "261210");
    EXPECT_EQ(detail().text(1, "OPCK"), "-1");
}

TEST_F(SlipList, OneOrderList)
{
    screen->tdbList1->setCurrentRow(1);
    key(Qt::Key_F6);
    screen->tdbList2->setCurrentRow(0);
    key(Qt::Key_F1);
    EXPECT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].startsWith("oneList 1 7"));
    key(Qt::Key_F2);   // nothing in mode 3
    EXPECT_EQ(calls.size(), 1);
}

TEST_F(SlipList, EmptyDetailSaysSoAndGoesOn)
{
    screen->tdbList1->setCurrentRow(2);   // the batch without slips
    key(Qt::Key_F5);
    EXPECT_EQ(detail().rowCount(), 0);
    key(Qt::Key_F1);
    EXPECT_TRUE(calls.isEmpty());
    ASSERT_FALSE(dialogs.shown().isEmpty());
    EXPECT_EQ(dialogs.shown().back().icon, MsgIcon::Information);
    EXPECT_TRUE(screen->isVisible());
}

TEST_F(SlipList, DeliveryExport)
{
    key(Qt::Key_F3);   // no definition file
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QString("納品カスタム書き出し用の設定ファイルがありません。"));

    // A definition writing the slips printed since the last export.
    QDir().mkpath(folder.file("SQL"));
    QFile def(folder.file("SQL/NOUHIN.SQL"));
    ASSERT_TRUE(def.open(QIODevice::WriteOnly));
    def.write("\"\r\n,\r\nNOUHIN.CSV\r\nSelect OMDNNO From TBL_RD_H2 Where DEN_EXP_CHECK='-1' Order By OMDNNO\r\n");
    def.close();
    SlipRows::slip(*db, 3, 99, {{"OMDNNO", "000301"}, {"OMHCKB", "0"}, {"DEN_EXP_CHECK", "-1"}});
    screen->tdbList1->setCurrentRow(1);
    key(Qt::Key_F5);
    dialogs.answerFolder(folder.file("out"));
    QDir().mkpath(folder.file("out"));
    key(Qt::Key_F3);
    EXPECT_TRUE(QFile::exists(folder.file("out/NOUHIN.CSV"))) << dialogs.texts().join(" | ").toStdString();
    // Every slip of every batch is unmarked, and the list shows it.
    EXPECT_EQ(db->scalar("SELECT count(*) FROM TBL_RD_H2 WHERE DEN_EXP_CHECK='-1'").toInt(), 0);
    EXPECT_EQ(detail().text(0, "OPCK"), "0");

    // A definition naming a file outside the chosen folder is refused, and
    // the operator is told why.
    ASSERT_TRUE(def.open(QIODevice::WriteOnly | QIODevice::Truncate));
    def.write("\"\r\n,\r\n../ESCAPED.CSV\r\nSelect OMDNNO From TBL_RD_H2\r\n");
    def.close();
    dialogs.answerFolder(folder.file("out"));
    key(Qt::Key_F3);
    EXPECT_FALSE(QFile::exists(folder.file("ESCAPED.CSV")));
    const QString said = dialogs.shown().constLast().text;
    EXPECT_TRUE(said.contains(QStringLiteral("エラーNo=75")) && said.contains(QStringLiteral("../ESCAPED.CSV")))
        << said.toStdString();
}

// The preview keys show the pages only; "印刷" in the preview then runs the
// print key, with its questions and stamps, and closing it prints nothing.
TEST_F(SlipList, PreviewKeysPrintOnlyWhenThePreviewSaysSo)
{
    screen->tdbList1->setCurrentRow(1);
    key(Qt::Key_F7);
    key(Qt::Key_F8);
    EXPECT_EQ(calls, (QStringList{"preview 1 [] slips", "preview 1 [] lists"}));
    EXPECT_EQ(batches().text(1, "伝票出力日"), "");
    EXPECT_EQ(batches().text(1, "品揃出力日"), "");

    previewPrints = true;
    key(Qt::Key_F7);
    EXPECT_EQ(calls.mid(2), (QStringList{"preview 1 [] slips", "allSlips 1 [] [3]"}));
    EXPECT_EQ(batches().text(1, "伝票出力日"), "261210");
    key(Qt::Key_F8);
    EXPECT_EQ(calls.mid(4), (QStringList{"preview 1 [] lists", "allLists 1 [] [2-2]"}));
}

TEST_F(SlipList, PreviewOfOneSlipOrOneOrder)
{
    screen->tdbList1->setCurrentRow(1);
    key(Qt::Key_F5);
    screen->tdbList2->setCurrentRow(1);
    key(Qt::Key_F7);
    EXPECT_EQ(calls, (QStringList{"preview 1 [000102] slips"}));
    EXPECT_EQ(detail().text(1, "伝票発行日"), "");
    previewPrints = true;
    key(Qt::Key_F7);
    EXPECT_EQ(calls.mid(1), (QStringList{"preview 1 [000102] slips", "oneSlip 1 000102"}));
    EXPECT_EQ(detail().text(1, "伝票発行日"), "261210");

    calls.clear();
    screen->tdbList1->setFocus();
    screen->tdbList1->setCurrentRow(1);
    key(Qt::Key_F6);
    screen->tdbList2->setCurrentRow(0);
    previewPrints = false;
    key(Qt::Key_F7);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].startsWith("preview 1 [7")) << calls[0].toStdString();
    EXPECT_TRUE(calls[0].endsWith("] lists"));
}

TEST_F(SlipList, PreviewOfAnEmptyDetailSaysSo)
{
    screen->tdbList1->setCurrentRow(2);
    key(Qt::Key_F5);
    key(Qt::Key_F7);
    EXPECT_TRUE(calls.isEmpty());
    ASSERT_FALSE(dialogs.shown().isEmpty());
    EXPECT_EQ(dialogs.shown().back().text, QString("明細が選ばれていません。"));
}

} // namespace
