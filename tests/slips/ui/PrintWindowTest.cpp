// The print window and the settings screen's print offsets on the
// offscreen platform: the cancel button and the question between pages,
// closing the window during a run, the one-call print with its PDF notice
// and error report, and the offsets saved and tried with a test print.
#include "slips/PrintTestSupport.h"

#include "store/Settings.h"
#include "app/frm0001_Option.h"
#include "store/clsIniFile.h"
#include "slips/PrintSetup.h"
#include "slips/QtFormRenderer.h"
#include "slips/ui/frm0101_DenList.h"
#include "slips/ui/frm0500_Printout.h"
#include "slips/ui/frm0501_Preview.h"
#include "slips/PreviewRenderer.h"
#include "slips/PrintActions.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QRegularExpression>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>

namespace {

// Answers the stop question from a list, and can act while a question is
// on the screen (as the operator clicks on between questions).
class StopAnswers : public ScriptedDialogs {
public:
    std::function<void(int)> onQuestion;
    MsgResult message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                      MsgResult defaultButton) override
    {
        if (text == QStringLiteral("印刷を中止しますか？") && onQuestion)
            onQuestion(++questions);
        return ScriptedDialogs::message(text, title, icon, buttons, defaultButton);
    }
    int questions = 0;
};

class PrintWindow : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        for (int h2 = 10; h2 < 13; ++h2) {
            SlipRows::slip(*db, 1, h2, {{"OMDNNO", QString::number(300000 + h2)}, {"OMHCKB", "0"}, {"OMHCNO", "7000001"}});
            SlipRows::line(*db, 1, h2, h2 * 10, QStringLiteral("000010"), QStringLiteral("0001980"),
                           {{"ONLINE", "01"}, {"ONGTNK", "000100000"}, {"ONGENJ", "0000001000"},
                            {"ONBAIJ", "0000001980"}});
        }
    }

    QString issued(int h2)
    {
        return text(QStringLiteral("Select ifnull(DEN_OP_DATE,'') From TBL_RD_H2 Where INDEXNOH2=%1").arg(h2));
    }

    int printAll(frm0500_Printout &window)
    {
        PrintRecordset rows(*db, QStringLiteral("Select * From TBL_RD_H2 Order By INDEXNOH2"));
        PrintRunner runner(*db, answers, renderer, &window);
        last = runner.print(rows, true);
        return last.pages;
    }

    StopAnswers answers;
};

// The preview: the run's pages kept by the preview renderer, nothing
// stamped, shown page by page; "印刷" and "閉じる" end it.
TEST_F(PrintWindow, PreviewShowsTheRunsPagesAndStampsNothing)
{
    PreviewRenderer pages;
    PrintRunner runner(*db, answers, pages);
    PrintServices services{*db, answers, runner};
    const PrintActionResult r = PreviewSlips(services, 1);
    EXPECT_EQ(r.pages, 3);
    ASSERT_EQ(pages.pages().size(), 3u);
    EXPECT_TRUE(pages.pages()[1].value(pages.pages()[1].indexOf(QStringLiteral("DENPYOU_NO"))).contains("300011"));
    EXPECT_EQ(issued(10) + issued(11) + issued(12), "");

    frm0501_Preview window(pages);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.pageCount(), 3);
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_FALSE(window.cmdPrev->isEnabled());
    QTest::mouseClick(window.cmdNext, Qt::LeftButton);
    QTest::mouseClick(window.cmdNext, Qt::LeftButton);
    EXPECT_EQ(window.currentPage(), 3);
    EXPECT_EQ(window.labPage->text(), QStringLiteral("3 / 3 ページ"));
    EXPECT_FALSE(window.cmdNext->isEnabled());
    QTest::keyClick(&window, Qt::Key_PageUp);
    EXPECT_EQ(window.currentPage(), 2);
    QTest::mouseClick(window.cmdPrint, Qt::LeftButton);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(window.isVisible());

    frm0501_Preview closed(pages);
    closed.show();
    QTest::mouseClick(closed.cmdClose, Qt::LeftButton);
    EXPECT_EQ(closed.result(), QDialog::Rejected);
}

TEST_F(PrintWindow, PreviewPagesPaintOnAPagedDevice)
{
    PreviewRenderer pages;
    PrintRunner runner(*db, answers, pages);
    PrintServices services{*db, answers, runner};
    PreviewAssortmentLists(services, 1);
    PreviewSlips(services, 1);   // a new job starts over
    ASSERT_EQ(pages.pages().size(), 3u);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    ASSERT_TRUE(pages.paintPages(writer));
    const QString pdf = QString::fromLatin1(buffer.data());
    EXPECT_EQ(pdf.count(QRegularExpression(QStringLiteral("/Type /Page[^s]"))), 3);
}

// A preview that cannot be made says why and shows nothing; so does one
// without pages. Neither leaves a stamp.
TEST_F(PrintWindow, PreviewWithoutPagesOrWithAnErrorShowsNoWindow)
{
    answers.answer(MsgResult::Ok);
    EXPECT_FALSE(frm0501_Preview::run(nullptr, *db, answers, [](PrintServices &s) { return PreviewSlips(s, 9); }));
    EXPECT_EQ(answers.shown().last().text, QStringLiteral("印刷するページはありません。"));

    ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("COR/TA2.crf"))));
    EXPECT_FALSE(frm0501_Preview::run(nullptr, *db, answers, [](PrintServices &s) { return PreviewSlips(s, 1); }));
    EXPECT_TRUE(answers.shown().last().text.startsWith(QStringLiteral("プレビューの作成中にエラーが発生しました。\r\nエラーNo=53")))
        << answers.shown().last().text.toStdString();
    EXPECT_EQ(issued(10) + issued(11) + issued(12), "");
}

TEST_F(PrintWindow, CancelAsksAfterThePageAndCancelThereGoesOn)
{
    frm0500_Printout window;
    EXPECT_EQ(window.Label1->text(), QStringLiteral("印刷中"));
    EXPECT_EQ(window.cmdCan->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    // Clicked while page 1 is in progress; again while the first question
    // is answered Cancel, so that page 2 is followed by the second one.
    QTimer::singleShot(0, window.cmdCan, &QPushButton::click);
    answers.onQuestion = [&](int n) {
        if (n == 1)
            QTimer::singleShot(0, window.cmdCan, &QPushButton::click);
    };
    answers.answer(MsgResult::Cancel).answer(MsgResult::Ok);

    EXPECT_EQ(printAll(window), 2);
    EXPECT_EQ(answers.questions, 2);
    EXPECT_FALSE(last.complete);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(issued(11), "261210");
    EXPECT_EQ(issued(12), "");
    EXPECT_EQ(answers.pending(), 0u);
}

TEST_F(PrintWindow, ClosingTheWindowDuringARunAsksToStop)
{
    frm0500_Printout window;
    QTimer::singleShot(0, &window, &QWidget::close);
    answers.answer(MsgResult::Ok);
    EXPECT_EQ(printAll(window), 1);
    EXPECT_FALSE(last.complete);

    // Shown again, it prints the whole run when nobody interrupts.
    db->execute(QStringLiteral("Update TBL_RD_H2 Set DEN_OP_DATE=Null"));
    EXPECT_EQ(printAll(window), 3);
    EXPECT_TRUE(last.complete);
    EXPECT_EQ(window.labPage->text(), QStringLiteral("3 / 3 件目（3 ページ目）"));
}

TEST_F(PrintWindow, OneCallPrintTellsWhereThePdfWentAndReportsErrors)
{
    Settings::write(SettingKey::DenPrinter, pdfTargetName());
    Settings::write(SettingKey::ShinaPrinter, pdfTargetName());
    Settings::write(SettingKey::WritePath, folder.file(QStringLiteral("out")));
    answers.answer(MsgResult::Ok);
    const PrintActionResult r = frm0500_Printout::run(
        nullptr, *db, answers, [](PrintServices &s) { return PrintOneSlip(s, 1, QStringLiteral("300011")); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.pages, 1);
    ASSERT_EQ(answers.shown().size(), 2);
    const QString notice = answers.shown()[1].text;
    EXPECT_TRUE(notice.startsWith(QStringLiteral("印刷した 1 ページを PDF ファイルに出力しました。\r\n")))
        << notice.toStdString();
    EXPECT_TRUE(QFileInfo::exists(notice.section(QStringLiteral("\r\n"), 1))) << notice.toStdString();

    // A form that is missing ends the run with its number and the file.
    QFile::remove(folder.file(QStringLiteral("COR/AS.crf")));
    ScriptedDialogs d;
    d.answer(MsgResult::Ok);
    const PrintActionResult failed = frm0500_Printout::run(
        nullptr, *db, d, [](PrintServices &s) { return PrintOneAssortmentList(s, 1, QStringLiteral("7000001")); });
    EXPECT_EQ(failed.status, 53);
    ASSERT_EQ(d.shown().size(), 2);
    EXPECT_EQ(d.shown()[1].icon, MsgIcon::Critical);
    EXPECT_TRUE(d.shown()[1].text.contains(QStringLiteral("エラーNo=53"))) << d.shown()[1].text.toStdString();
    EXPECT_TRUE(d.shown()[1].text.contains(QStringLiteral("AS.crf"))) << d.shown()[1].text.toStdString();
}

// ------------------------------------------------------------ batch rows

// The slip list's batch rows and the cells the print actions quote come
// from one counting query: both show the same counts for every kind of batch.
TEST_F(PrintFixture, SlipListAndPrintActionsCountBatchesAlike)
{
    const struct {
        int batch;
        const char *slipCount, *orderCount;
    } expected[] = {
        {1, "3", "2-1"}, // ordinary slips of two orders, one advance order
        {2, "", "-2"},   // advance orders only
        {3, "", "-0"},   // nothing imported under the header
    };
    for (const auto &e : expected)
        batch(e.batch);
    SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000101"}, {"OMHCNO", "7000001"}, {"OMHCKB", "0"}});
    SlipRows::slip(*db, 1, 11, {{"OMDNNO", "000102"}, {"OMHCNO", "7000001"}, {"OMHCKB", "0"}});
    SlipRows::slip(*db, 1, 12, {{"OMDNNO", "000103"}, {"OMHCNO", "7000002"}, {"OMHCKB", "0"}});
    SlipRows::slip(*db, 1, 13, {{"OMDNNO", "000104"}, {"OMHCNO", "7000003"}, {"OMHCKB", "1"}});
    SlipRows::slip(*db, 2, 20, {{"OMDNNO", "000201"}, {"OMHCNO", "7000004"}, {"OMHCKB", "1"}});
    SlipRows::slip(*db, 2, 21, {{"OMDNNO", "000202"}, {"OMHCNO", "7000005"}, {"OMHCKB", "2"}});
    db->execute(QStringLiteral("Update TBL_FLG_DATA Set DENPYOU_OP_DATE='261205',SHINAZOROE_OP_DATE='261206' "
                               "Where INDEXNOH1=2"));

    std::map<int, QStringList> listed;
    for (Recordset rs = db->query(frm0101_DenList::batchListSql()); !rs.eof(); rs.moveNext())
        listed[rs.text(0).toInt()] = {rs.text(3), rs.text(4), rs.text(5), rs.text(6)};
    ASSERT_EQ(listed.size(), 3u);
    for (const auto &e : expected) {
        SCOPED_TRACE(e.batch);
        const BatchRowCells cells = batchRowCells(*db, e.batch);
        ASSERT_TRUE(cells.found);
        EXPECT_EQ(cells.slipCount, e.slipCount);
        EXPECT_EQ(cells.orderCount, e.orderCount);
        EXPECT_EQ(listed[e.batch],
                  QStringList({cells.slipCount, cells.orderCount, cells.slipsPrinted, cells.listsPrinted}));
    }
    EXPECT_EQ(batchRowCells(*db, 2).slipsPrinted, "261205");
    EXPECT_FALSE(batchRowCells(*db, 4).found);
}

// ------------------------------------------------------------ settings screen

class OffsetSettings : public PrintFixture {};

QStringList printEnvLines()
{
    clsIniFile ini;
    ini.setFileName(Settings::filePath(SettingFile::ConfIni));
    ini.setSection(QStringLiteral("Print_Env"));
    QStringList lines;
    ini.EnumSectionString(lines);
    return lines;
}

TEST_F(OffsetSettings, PlainPaperSwitchDrawsTheFrameOnRealPrinters)
{
    EXPECT_FALSE(PrintSetup::rendererOptions().plainPaper);
    {
        frm0001_Option screen(dialogs);
        EXPECT_FALSE(screen.chkPlainPaper->isChecked());
        screen.chkPlainPaper->setChecked(true);
        dialogs.answer(MsgResult::Ok);
        ASSERT_TRUE(screen.save());
    }
    EXPECT_EQ(Settings::readText(SettingKey::PlainPaper), "1");
    EXPECT_TRUE(PrintSetup::rendererOptions().plainPaper);
    {
        frm0001_Option screen(dialogs);
        EXPECT_TRUE(screen.chkPlainPaper->isChecked());
        screen.chkPlainPaper->setChecked(false);
        dialogs.answer(MsgResult::Ok);
        ASSERT_TRUE(screen.save());
    }
    EXPECT_FALSE(PrintSetup::rendererOptions().plainPaper);
}

TEST_F(OffsetSettings, OffsetsAreSavedOnceSetAndReadBack)
{
    {
        frm0001_Option screen(dialogs);
        EXPECT_EQ(screen.txtOffX_Den->value(), 0.0);
        dialogs.answer(MsgResult::Ok);
        ASSERT_TRUE(screen.save());
    }
    // An untouched screen writes the printers only, as it always did.
    EXPECT_EQ(printEnvLines(), (QStringList{QStringLiteral("Den_Printer="), QStringLiteral("Shina_Printer=")}));
    {
        frm0001_Option screen(dialogs);
        screen.txtOffX_Den->setValue(1.5);
        screen.txtOffY_Shina->setValue(-2.0);
        screen.txtOffX_Shina->setValue(-35.0); // beyond the range: held at -20
        dialogs.answer(MsgResult::Ok);
        ASSERT_TRUE(screen.save());
    }
    EXPECT_EQ(Settings::readText(SettingKey::DenOffsetX), "1.5");
    EXPECT_EQ(Settings::readText(SettingKey::ShinaOffsetY), "-2.0");
    EXPECT_EQ(Settings::readText(SettingKey::ShinaOffsetX), "-20.0");
    EXPECT_EQ(Settings::readText(SettingKey::DenOffsetY), "");
    {
        frm0001_Option screen(dialogs);
        EXPECT_EQ(screen.txtOffX_Den->value(), 1.5);
        EXPECT_EQ(screen.txtOffY_Shina->value(), -2.0);
        // Set back to zero: a key once written is kept up to date.
        screen.txtOffX_Den->setValue(0.0);
        dialogs.answer(MsgResult::Ok);
        ASSERT_TRUE(screen.save());
    }
    EXPECT_EQ(Settings::readText(SettingKey::DenOffsetX), "0.0");
}

TEST_F(OffsetSettings, TestPrintGoesToAPdfAndSaysWhere)
{
    frm0001_Option screen(dialogs);
    screen.txtWr_Path->setText(folder.file(QStringLiteral("out")));
    screen.xdrpPr_Shina->setCurrentText(pdfTargetName());
    screen.txtOffX_Shina->setValue(2.5);
    screen.findChild<QPushButton *>(QStringLiteral("cmdTest_Shina"))->click();
    ASSERT_EQ(dialogs.shown().size(), 1);
    const QString notice = dialogs.shown()[0].text;
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Information);
    ASSERT_TRUE(notice.startsWith(QStringLiteral("テスト印刷を PDF ファイルに出力しました。\r\n"))) << notice.toStdString();
    const QString pdf = notice.section(QStringLiteral("\r\n"), 1);
    EXPECT_TRUE(QFileInfo(pdf).isFile()) << pdf.toStdString();
    EXPECT_TRUE(pdf.startsWith(folder.file(QStringLiteral("out")))) << pdf.toStdString();
    // Nothing is saved by a test print.
    EXPECT_FALSE(QFileInfo::exists(Settings::filePath(SettingFile::ConfIni)));

    QFile::remove(folder.file(QStringLiteral("COR/TA2.crf")));
    screen.findChild<QPushButton *>(QStringLiteral("cmdTest_Den"))->click();
    ASSERT_EQ(dialogs.shown().size(), 2);
    EXPECT_EQ(dialogs.shown()[1].icon, MsgIcon::Critical);
    EXPECT_TRUE(dialogs.shown()[1].text.contains(QStringLiteral("TA2.crf"))) << dialogs.shown()[1].text.toStdString();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
