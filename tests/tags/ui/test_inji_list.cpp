// The tag issue screen on the offscreen platform, with a stand-in label
// program and scripted dialogs.

#include "ui/GridView.h"
#include "support/TempDataFolder.h"
#include "tags/LabelProgramStandIn.h"
#include "tags/TagFixture.h"
#include "tags/ui/frm0110_InjiList.h"
#include "tags/ui/frm9002_Huda_Pict.h"

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using TagFixture::Line;
const QVariant kNull;

// Batch 1 (older): kind 1/2 with line 10 to write and line 11 written, PB
// kind 5/1 with line 20. Batch 2 (newer): one line that needs no tag.
class InjiList : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        TagFixture::masters(*db);
        for (const auto &[batch, date] : {std::pair{1, "261201"}, std::pair{2, "261205"}}) {
            SlipRows::insert(*db, "TBL_RD_H1", {{"INDEXNOH1", batch}, {"OLOPDT", date}, {"OLLINE", "00003"}});
            SlipRows::insert(*db, "TBL_FLG_DATA", {{"INDEXNOH1", batch}, {"IMPORT_DATE", date}});
        }
        TagFixture::line(*db, {1, 10, "1", "2", "000030", kNull});
        TagFixture::line(*db, {1, 11, "1", "2", "000020", "261201", "000001", "101", "02"});
        TagFixture::line(*db, {1, 20, "5", "1", "000020", kNull});
        TagFixture::line(*db, {2, 30, "1", "0", "000020", kNull});
        const QString labelProgram = program.program();
        const QString appFolder = folder.path();
        screen = std::make_unique<frm0110_InjiList>(dialogs, nullptr, [=] {
            TagSettings s;
            s.appFolder = appFolder;
            s.labelProgram = labelProgram;
            s.taxRate = 5;
            return s;
        });
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }

    // Presses the button cell of `caption` in `row` as the operator does.
    void press(GridView *grid, int row, const QString &caption)
    {
        grid->setCurrentCell(row, grid->columnOf(caption));
        QTest::keyClick(grid, Qt::Key_Space);
    }
    int rowWhere(GridView *grid, const QString &caption, const QString &text, const QString &note = QString())
    {
        const GridModel &m = *grid->gridModel();
        for (int r = 0; r < m.rowCount(); ++r)
            if (m.text(r, caption) == text && (note.isNull() || m.text(r, QStringLiteral("備考")) == note))
                return r;
        return -1;
    }
    void openBatch1() { press(screen->tdbList1, rowWhere(screen->tdbList1, "管理No", "1"), "管理No"); }
    QStringList summaryRows()
    {
        QStringList out;
        const GridModel &m = *screen->tdbList2->gridModel();
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.rowTexts(r).join('|');
        return out;
    }
    QString stamp(int bd) { return db->scalar("Select TAG_OP_DATE From TBL_RD_BD Where INDEXNOBD=?", {bd}).toString(); }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    LabelProgramStandIn program{folder.file("bin")};
    std::unique_ptr<frm0110_InjiList> screen;
};

TEST_F(InjiList, BatchesNewestFirstMarkedWhereTagsAreToWrite)
{
    const GridModel &m = *screen->tdbList1->gridModel();
    ASSERT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.text(0, "管理No"), "2");
    EXPECT_EQ(m.text(0, "未発行"), "");    // its only line needs no tag
    EXPECT_EQ(m.text(1, "管理No"), "1");
    EXPECT_EQ(m.text(1, "未発行"), "*");
}

TEST_F(InjiList, OpeningABatchShowsItsSummaryAndAnotherBatchRowEmptiesIt)
{
    openBatch1();
    EXPECT_EQ(summaryRows(), (QStringList{QStringLiteral("1|1|2|値札A|2|出力済み"), QStringLiteral("1|1|2|値札A|3|"),
                                          QStringLiteral("1|5|1|7|2|")}));
    EXPECT_TRUE(screen->tdbList2->hasFocus());
    press(screen->tdbList2, 1, "管理No");
    EXPECT_EQ(screen->tdbList3->gridModel()->rowCount(), 1);

    screen->tdbList1->setCurrentRow(0);
    EXPECT_EQ(screen->tdbList2->gridModel()->rowCount(), 0);
    EXPECT_EQ(screen->tdbList3->gridModel()->rowCount(), 0);
}

// Operators press Enter on the buttons: 管理No of a batch, 管理No of a tag
// kind and 札名 act on Enter as on Space.
TEST_F(InjiList, EnterPressesEveryButtonCell)
{
    struct Key {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    for (const Key &k : {Key{"return", Qt::Key_Return, Qt::NoModifier}, Key{"keypad_enter", Qt::Key_Enter, Qt::KeypadModifier}}) {
        SCOPED_TRACE(k.name);
        auto enter = [&](GridView *grid, int row, const QString &caption) {
            grid->setFocus();
            grid->setCurrentCell(row, grid->columnOf(caption));
            QTest::keyClick(grid, k.key, k.modifiers);
        };
        screen->tdbList2->gridModel()->clearRows();
        enter(screen->tdbList1, rowWhere(screen->tdbList1, "管理No", "1"), "管理No");
        EXPECT_EQ(screen->tdbList2->gridModel()->rowCount(), 3);
        EXPECT_TRUE(screen->tdbList2->hasFocus());
        enter(screen->tdbList2, 1, "管理No");
        EXPECT_EQ(screen->tdbList3->gridModel()->rowCount(), 1);
        const qsizetype before = dialogs.shown().size();
        dialogs.answer(MsgResult::Cancel);
        enter(screen->tdbList2, rowWhere(screen->tdbList2, "札名", QStringLiteral("値札A"), ""), "札名");
        ASSERT_EQ(dialogs.shown().size(), before + 1);
        EXPECT_EQ(dialogs.texts().last(),
                  QStringLiteral("印字作業を行います。\n値札A をプリンタにセットしてください。\n出力枚数は 3枚です。"));
        EXPECT_TRUE(screen->isVisible());
    }
}

TEST_F(InjiList, KindRunWritesStampsAndReopensTheBatch)
{
    openBatch1();
    dialogs.answer(MsgResult::Ok);
    press(screen->tdbList2, rowWhere(screen->tdbList2, "札名", QStringLiteral("値札A"), ""), "札名");
    EXPECT_EQ(dialogs.texts(),
              (QStringList{QStringLiteral("印字作業を行います。\n値札A をプリンタにセットしてください。\n出力枚数は 3枚です。"),
                           QStringLiteral("印字データを出力しました。\n出力した明細: 1 行\n出力ファイル: ")
                               + folder.file("TAG_CSV/12.CSV")}));
    const auto args = program.arguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(args->value(1), "/F=" + folder.file("LAYOUT/12.BTW"));
    EXPECT_EQ(program.seenData().count("\r\n"), 1);
    EXPECT_EQ(stamp(10), "261210");
    EXPECT_EQ(screen->lineFlag(), "0");
    // Reopened: both lines now written, the summary rebuilt.
    EXPECT_EQ(summaryRows(), (QStringList{QStringLiteral("1|1|2|値札A|5|出力済み"), QStringLiteral("1|5|1|7|2|")}));
    EXPECT_TRUE(screen->tdbList2->hasFocus());
}

TEST_F(InjiList, LineRunWithAChangedCountKeepsTheLinesListed)
{
    openBatch1();
    press(screen->tdbList2, rowWhere(screen->tdbList2, "札名", "7"), "管理No");
    EXPECT_EQ(screen->lineFlag(), "-1");
    ASSERT_EQ(screen->tdbList3->gridModel()->rowCount(), 1);
    EXPECT_EQ(screen->tdbList3->gridModel()->text(0, "数量"), "2");

    dialogs.answer(MsgResult::Ok).answerInput(QString("5"));
    press(screen->tdbList3, 0, "伝票No");
    EXPECT_EQ(dialogs.shown().value(1).text, QStringLiteral("印字枚数を変更する場合下記の数量を変更してください。"));
    ASSERT_TRUE(program.arguments());
    const QByteArray data = readBytes(folder.file("TAG_CSV/7.CSV"));
    EXPECT_TRUE(data.contains("\"\\1900\",\"654321\"")) << data.toStdString();
    EXPECT_TRUE(data.contains(",5,\"IT-9\",")) << data.toStdString();
    EXPECT_EQ(stamp(20), "261210");
    EXPECT_EQ(screen->tdbList3->gridModel()->text(0, "出力日"), "261210");
    EXPECT_EQ(screen->tdbList2->currentText("札名"), "7");
    EXPECT_EQ(screen->tdbList2->currentText("備考"), QStringLiteral("出力済み"));
    EXPECT_TRUE(screen->tdbList3->hasFocus());
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("印字データを出力しました。\n出力した明細: 1 行\n出力ファイル: ")
                                          + folder.file("TAG_CSV/7.CSV"));
    // Line 10 is still to write: the batch keeps its "*".
    EXPECT_EQ(screen->tdbList1->currentText("管理No"), "1");
    EXPECT_EQ(screen->tdbList1->currentText("未発行"), "*");
}

TEST_F(InjiList, TheMarkGoesWithTheBatchsLastLineToWrite)
{
    openBatch1();
    dialogs.answer(MsgResult::Ok);
    press(screen->tdbList2, rowWhere(screen->tdbList2, "札名", QStringLiteral("値札A"), ""), "札名");
    ASSERT_EQ(stamp(10), "261210");
    EXPECT_EQ(screen->tdbList1->currentText("管理No"), "1");
    EXPECT_EQ(screen->tdbList1->currentText("未発行"), "*");   // the PB line 20 is still to write

    press(screen->tdbList2, rowWhere(screen->tdbList2, "札名", "7"), "管理No");
    dialogs.answer(MsgResult::Ok).answerInput(QString("2"));
    press(screen->tdbList3, 0, "伝票No");
    ASSERT_EQ(stamp(20), "261210");
    // Refreshed at once on the same batch row; the summary and the lines
    // stay as the run left them.
    EXPECT_EQ(screen->tdbList1->currentText("管理No"), "1");
    EXPECT_EQ(screen->tdbList1->currentText("未発行"), "");
    EXPECT_EQ(screen->tdbList2->gridModel()->rowCount(), 2);
    EXPECT_EQ(screen->tdbList3->gridModel()->rowCount(), 1);
}

TEST_F(InjiList, TagPictureFollowsTheSummaryRow)
{
    QDir().mkpath(folder.file("Pict"));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(folder.file(QStringLiteral("Pict/値札A.jpg")), "JPG"));
    openBatch1();
    screen->tdbList2->setCurrentRow(0);
    EXPECT_TRUE(screen->Frame1->isVisible());
    EXPECT_EQ(screen->Frame1->size(), QSize(40, 30));

    QTest::mouseDClick(screen->imgPict, Qt::LeftButton);
    ASSERT_TRUE(screen->pictureWindow());
    EXPECT_EQ(screen->pictureWindow()->picture(), QStringLiteral("値札A"));
    EXPECT_EQ(screen->pictureWindow()->imgPict->pixmap().size(), QSize(40, 30));
    screen->pictureWindow()->close();

    screen->tdbList2->setCurrentRow(2);   // tag 7 has no picture
    EXPECT_FALSE(screen->Frame1->isVisible());
    screen->tdbList2->setCurrentRow(0);
    EXPECT_TRUE(screen->Frame1->isVisible());
    screen->tdbList1->setFocus();
    EXPECT_FALSE(screen->Frame1->isVisible());
}

} // namespace

int main(int argc, char **argv)
{
    // Tests never open a window, listing them included.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
