// The consignment billing detail: which lines are charged, what the
// workbook holds, and that a line is charged once.

#include "store/Settings.h"
#include "billing/ConsignmentBatch.h"
#include "billing/ConsignmentDetail.h"
#include "output/Workbook.h"
#include "support/LibreOffice.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include "support/InjectedFailure.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

// Slip 000123 (tag kind 9, fee 30 a tag) with lines tagged on 24-05-19,
// 24-05-20 (2.5 tags), 24-05-21, never, and one already charged; slip 000124
// (tag kind 1, fee 5) with one line tagged on 24-05-20.
class Consignment : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        db->execute("INSERT INTO MST_HUDASYU(HUDA_SYU,HUDA_KU,HUDA_NAME,PB_FLG,SAGYOU_DAI) "
                    "VALUES ('9','1','テスト値札',0,30)");
        SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000123"}, {"OMHCNO", "7000001"}, {"OMFUDA", "9"},
                                    {"OMTRCD", "123456"}, {"OMTRKN", "ﾄﾊﾞﾘｼｮｳｼﾞ"}});
        line(100, "000025", "240520", {{"ONLINE", "01"}, {"ONSYKN", "ニットカーディガン"}, {"ONSZKN", "M"}, {"ONCLKN", "赤"}});
        line(101, "000010", "240521", {{"ONLINE", "02"}});
        line(102, "000010", "", {{"ONLINE", "03"}});
        line(103, "000010", "240510", {{"ONLINE", "04"}, {"ONSURYM", "0000100001000S"}});
        line(104, "000010", "240519", {{"ONLINE", "05"}});
        SlipRows::slip(*db, 1, 11, {{"OMDNNO", "000124"}, {"OMHCNO", "7000002"}, {"OMFUDA", "1"}});
        SlipRows::line(*db, 1, 11, 110, "000120", "0000500",
                       {{"ONLINE", "01"}, {"ONNFKB", "1"}, {"TAG_OP_DATE", "240520"}});

        QDir().mkpath(folder.file("COR"));
        ASSERT_TRUE(QFile::copy(TOBARI_TEMPLATE_DIR "/COR/SeikyuMeisai", folder.file("COR/SeikyuMeisai")));
        out = folder.file("out");
        Settings::write(SettingKey::WritePath, out);
        Settings::write(SettingKey::ShimeBi, "20");
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 30, 5)));
    }
    void line(int bd, const QString &sury, const QString &tagged, SlipRows::Fields fields)
    {
        fields.insert("ONNFKB", "1");
        fields.insert("TAG_OP_DATE", tagged);
        SlipRows::line(*db, 1, 10, bd, sury, "0001000", fields);
    }
    QString marker(int bd) { return db->scalar("SELECT ONSURYM FROM TBL_RD_BD WHERE INDEXNOBD=?", {bd}).toString(); }
    QStringList charged()
    {
        QStringList out;
        Recordset rs = db->query("SELECT INDEXNOBD FROM TBL_RD_BD WHERE substr(ONSURYM,-1)='S' ORDER BY INDEXNOBD");
        for (; !rs.eof(); rs.moveNext())
            out << rs.text(0);
        return out;
    }
    QString folderOut() const { return out + "/SeikyuMeisai"; }
    QStringList written() const { return QDir(folderOut()).entryList(QDir::Files); }
    ConsignmentResult runWith(const QString &date)
    {
        dialogs.answer(MsgResult::Ok).answerInput(date);
        return IssueConsignmentDetail(*db, dialogs);
    }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    QString out;
};

struct LimitCase {
    const char *name;
    const char *answer;
};

class ConsignmentLimit : public Consignment, public ::testing::WithParamInterface<LimitCase> {};

// 20240520 and 240520 mean the same limit: a line tagged on the day is in,
// one tagged the day after is out; untagged and charged lines never are.
TEST_P(ConsignmentLimit, LinesTaggedUpToTheDateAreChargedOnce)
{
    const ConsignmentResult r = runWith(QString::fromUtf8(GetParam().answer));
    ASSERT_EQ(r.status, 0) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(r.lines, 3);
    EXPECT_EQ(r.path, QDir::toNativeSeparators(folderOut() + "/BD20261210_093005.xlsx"));
    EXPECT_EQ(written(), QStringList{"BD20261210_093005.xlsx"});
    EXPECT_EQ(charged(), (QStringList{"100", "103", "104", "110"}));
    EXPECT_EQ(marker(101), "0000100001000N");

    ASSERT_GE(dialogs.shown().size(), 3);
    EXPECT_EQ(dialogs.shown()[0].text, QString("発行明細を出力します。\nよろしいですか？"));
    EXPECT_EQ(dialogs.shown()[1].kind, QString("input"));
    EXPECT_EQ(dialogs.shown()[1].title, QString("日付入力"));
    EXPECT_EQ(dialogs.shown().back().text,
              "3件の明細を出力しました。\nファイル: " + r.path + "\n受託請求済みにした明細: 3 行（値札出力日 240520 まで）");
    EXPECT_EQ(dialogs.shown().back().icon, MsgIcon::Information);

    // The same date again finds nothing and writes nothing.
    const ConsignmentResult again = runWith(QString::fromUtf8(GetParam().answer));
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(dialogs.shown().back().text,
              QString("出力する明細が存在しませんでした。\n240520 までに値札を出力し、まだ受託請求していない明細がありません。"));
    EXPECT_EQ(dialogs.shown().back().icon, MsgIcon::Warning);
    EXPECT_EQ(written(), QStringList{"BD20261210_093005.xlsx"});
}

INSTANTIATE_TEST_SUITE_P(Answers, ConsignmentLimit,
                         ::testing::Values(LimitCase{"FourDigitYear", "20240520"}, LimitCase{"TwoDigitYear", "240520"},
                                           LimitCase{"WithBlanks", " 20240520 "}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Consignment, SheetTwoHoldsTheLinesInDateOrderWithTagsAndFees)
{
    const ConsignmentResult r = runWith("20240520");
    ASSERT_EQ(r.status, 0);
    Workbook book(r.path);
    Worksheet data = book.sheet(2);
    const QStringList heading{"2024/05/19", "7000001", "000123", "05", "91_テスト値札", "123456", "ﾄﾊﾞﾘｼｮｳｼﾞ", "", "", ""};
    for (int c = 1; c <= 10; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(data.cell(2, c), heading[c - 1].isEmpty() ? CellValue{} : CellValue::ofText(heading[c - 1]));
    }
    EXPECT_EQ(data.cell(2, 11), CellValue::ofNumber(1));
    EXPECT_EQ(data.cell(2, 12), CellValue::ofNumber(30));
    // 25 tenths at 30 a tag: 2.5 tags and 75.
    EXPECT_EQ(data.cell(3, 1), CellValue::ofText("2024/05/20"));
    EXPECT_EQ(data.cell(3, 4), CellValue::ofText("01"));
    EXPECT_EQ(data.cell(3, 8), CellValue::ofText("ニットカーディガン"));
    EXPECT_EQ(data.cell(3, 9), CellValue::ofText("M"));
    EXPECT_EQ(data.cell(3, 10), CellValue::ofText("赤"));
    EXPECT_EQ(data.cell(3, 11), CellValue::ofNumber(2.5));
    EXPECT_EQ(data.cell(3, 12), CellValue::ofNumber(75));
    EXPECT_EQ(data.cell(4, 5), CellValue::ofText("11_プロパー値札"));
    EXPECT_EQ(data.cell(4, 11), CellValue::ofNumber(12));
    EXPECT_EQ(data.cell(4, 12), CellValue::ofNumber(60));
    EXPECT_EQ(data.cell(5, 1).type, CellValue::Type::Empty);
}

TEST_F(Consignment, MarkerKeepsItsFirstThirteenCharacters)
{
    db->execute("UPDATE TBL_RD_BD SET ONSURYM='0000250002980Y' WHERE INDEXNOBD=100");
    ASSERT_EQ(runWith("240520").status, 0);
    EXPECT_EQ(marker(100), "0000250002980S");
    EXPECT_EQ(marker(110), "0001200000500S");
}

TEST_F(Consignment, FeeIsAWholeNumberHalvesToEven)
{
    db->execute("UPDATE MST_HUDASYU SET SAGYOU_DAI=2.5 WHERE HUDA_SYU='9'");
    db->execute("UPDATE MST_HUDASYU SET SAGYOU_DAI=3.5 WHERE HUDA_SYU='1' AND HUDA_KU='1'");
    const ConsignmentResult r = runWith("240520");
    ASSERT_EQ(r.status, 0);
    Workbook book(r.path);
    EXPECT_EQ(book.sheet(2).cell(3, 12), CellValue::ofNumber(5));    // 2.5 tags x 2
    EXPECT_EQ(book.sheet(2).cell(4, 12), CellValue::ofNumber(48));   // 12 tags x 4
}

TEST_F(Consignment, NothingGatheredLeavesNoWorkbookAndNoMark)
{
    const ConsignmentResult r = runWith("240501");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(dialogs.shown().back().text,
              QString("出力する明細が存在しませんでした。\n240501 までに値札を出力し、まだ受託請求していない明細がありません。"));
    EXPECT_TRUE(written().isEmpty());
    EXPECT_EQ(charged(), QStringList{"103"});
}

struct StopCase {
    const char *name;
    std::optional<MsgResult> question;
    std::optional<QString> answer;    // the date box; nothing: not asked
    const char *lastMessage;          // empty: none after the question
};

void PrintTo(const StopCase &c, std::ostream *os)
{
    *os << c.name;
}

class ConsignmentStopped : public Consignment, public ::testing::WithParamInterface<StopCase> {};

TEST_P(ConsignmentStopped, NothingWrittenNothingMarked)
{
    const StopCase &c = GetParam();
    dialogs.answer(*c.question);
    if (c.question == MsgResult::Ok)
        dialogs.answerInput(c.answer);
    EXPECT_EQ(IssueConsignmentDetail(*db, dialogs).status, 1);
    EXPECT_EQ(dialogs.pending(), 0u);
    if (*c.lastMessage)
        EXPECT_EQ(dialogs.shown().back().text, QString::fromUtf8(c.lastMessage));
    else
        EXPECT_EQ(dialogs.shown().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(folderOut()));
    EXPECT_EQ(charged(), QStringList{"103"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsignmentStopped,
    ::testing::Values(StopCase{"QuestionDeclined", MsgResult::Cancel, std::nullopt, ""},
                      StopCase{"DateBoxCancelled", MsgResult::Ok, std::nullopt, "受託請求明細発行処理を中止しました。"},
                      StopCase{"DateBoxEmptied", MsgResult::Ok, QString(), "受託請求明細発行処理を中止しました。"},
                      StopCase{"DateWithSlashes", MsgResult::Ok, QString("2024/05/20"),
                               "請求日付 '2024/05/20' は日付として認識できません。yyyyMMdd（例 20240520）で入力してください。\n"
                               "受託請求明細発行処理を中止しました。"},
                      StopCase{"SevenDigits", MsgResult::Ok, QString("2024052"),
                               "請求日付 '2024052' は日付として認識できません。yyyyMMdd（例 20240520）で入力してください。\n"
                               "受託請求明細発行処理を中止しました。"},
                      // Days that never came would charge every line tagged before them.
                      StopCase{"February31", MsgResult::Ok, QString("20250231"),
                               "請求日付 '20250231' は日付として認識できません。yyyyMMdd（例 20240520）で入力してください。\n"
                               "受託請求明細発行処理を中止しました。"},
                      StopCase{"February29NotALeapYear", MsgResult::Ok, QString("250229"),
                               "請求日付 '250229' は日付として認識できません。yyyyMMdd（例 20240520）で入力してください。\n"
                               "受託請求明細発行処理を中止しました。"},
                      StopCase{"Month13", MsgResult::Ok, QString("20241301"),
                               "請求日付 '20241301' は日付として認識できません。yyyyMMdd（例 20240520）で入力してください。\n"
                               "受託請求明細発行処理を中止しました。"},
                      StopCase{"DayZero", MsgResult::Ok, QString("20240500"),
                               "請求日付 '20240500' は日付として認識できません。yyyyMMdd（例 20240520）で入力してください。\n"
                               "受託請求明細発行処理を中止しました。"}),
    [](const auto &info) { return std::string(info.param.name); });

struct PresetCase {
    const char *name;
    const char *closingDay;
    const char *preset;
};

class ConsignmentPreset : public Consignment, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(ConsignmentPreset, DateBoxOffersThisMonthsClosingDay)
{
    Settings::write(SettingKey::ShimeBi, QString::fromUtf8(GetParam().closingDay));
    EXPECT_EQ(consignmentDatePreset(), QString::fromUtf8(GetParam().preset));
}

INSTANTIATE_TEST_SUITE_P(Days, ConsignmentPreset,
                         ::testing::Values(PresetCase{"Twentieth", "20", "20261220"},
                                           PresetCase{"MonthEnd", "31", "20261231"},
                                           // "5" would make "2026125", whose last six characters are no date.
                                           PresetCase{"OneDigit", "5", "20261205"},
                                           PresetCase{"NotSet", "", "202612"}),
                         [](const auto &info) { return std::string(info.param.name); });

// A closing day at the month's end offers a day the box takes.
TEST_F(Consignment, DateBoxOffersTheLastDayOfAShortMonth)
{
    Clock::setFixed(QDateTime(QDate(2027, 2, 10), QTime(9, 0)));
    Settings::write(SettingKey::ShimeBi, "31");
    EXPECT_EQ(consignmentDatePreset(), "20270228");
    EXPECT_EQ(consignmentLimitDate(consignmentDatePreset()), std::optional<QString>("270228"));
}

struct FailureCase {
    const char *name;
    std::function<void(TempDataFolder &, Database &)> spoil;
    int error;
};

void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.name;
}

class ConsignmentFails : public Consignment, public ::testing::WithParamInterface<FailureCase> {};

// A failure leaves no workbook under any name and no line marked.
TEST_P(ConsignmentFails, NoWorkbookNoMark)
{
    GetParam().spoil(folder, *db);
    dialogs.answer(MsgResult::Ok).answerInput(QString("20240520"));
    try {
        IssueConsignmentDetail(*db, dialogs);
        ADD_FAILURE() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), GetParam().error) << e.description().toStdString();
    }
    EXPECT_TRUE(written().isEmpty()) << written().join(',').toStdString();
    EXPECT_EQ(charged(), QStringList{"103"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsignmentFails,
    ::testing::Values(
        FailureCase{"TemplateMissing", [](TempDataFolder &f, Database &) { QFile::remove(f.file("COR/SeikyuMeisai")); }, 53},
        FailureCase{"TemplateNotAWorkbook",
                    [](TempDataFolder &folder, Database &) {
                        QFile f(folder.file("COR/SeikyuMeisai"));
                        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                        f.write("not a workbook");
                    },
                    1004},
        FailureCase{"TagKindWithoutFee",
                    [](TempDataFolder &, Database &db) { db.execute("DELETE FROM MST_HUDASYU WHERE HUDA_SYU='9'"); }, 94},
        FailureCase{"QuantityNotANumber",
                    [](TempDataFolder &, Database &db) { db.execute("UPDATE TBL_RD_BD SET ONSURY='12X' WHERE INDEXNOBD=104"); },
                    13},
        FailureCase{"MarkersLocked",
                    [](TempDataFolder &, Database &db) {
                        injectFailure(db, "no_mark", "TBL_RD_BD", "UPDATE OF ONSURYM", "locked", "NEW.INDEXNOBD=110");
                    },
                    testsOnServer() ? DbErr::ServerBase : 10000 + 1811 /* SQLITE_CONSTRAINT_TRIGGER */}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Consignment, RunInTheSameSecondKeepsTheEarlierWorkbook)
{
    ASSERT_EQ(runWith("240519").status, 0);
    const ConsignmentResult second = runWith("240520");
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(second.path, QDir::toNativeSeparators(folderOut() + "/BD20261210_093005_2.xlsx"));
    EXPECT_EQ(written(), (QStringList{"BD20261210_093005.xlsx", "BD20261210_093005_2.xlsx"}));
    EXPECT_EQ(Workbook(folderOut() + "/BD20261210_093005.xlsx").sheet(2).cell(2, 4), CellValue::ofText("05"));
}

TEST_F(Consignment, LibreOfficeShowsTheCurrentSumsPerTag)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice is not installed";
    const ConsignmentResult r = runWith("20240520");
    ASSERT_EQ(r.status, 0);
    QStringList lines;
    for (const QString &l : libreOfficeLines(folder.file("csv"), r.path))
        lines << l.trimmed();
    const std::string all = lines.join('\n').toStdString();
    // Labels are the spreadsheet's own; the rows of the two tags are ours.
    EXPECT_TRUE(lines.contains("11_プロパー値札,12,60")) << all;
    EXPECT_TRUE(lines.contains("91_テスト値札,3.5,105")) << all;
}

// More lines than the workbook holds in memory at a time: every one is on
// the data sheet and in the pivot's sums.
TEST_F(Consignment, LibreOfficeSumsEveryLineOfALongDetail)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice is not installed";
    for (int n = 0; n < 60; ++n)
        SlipRows::line(*db, 1, 11, 200 + n, "000010", "0000500",
                       {{"ONLINE", QString("%1").arg(n + 2, 2, 10, QChar('0'))}, {"ONNFKB", "1"}, {"TAG_OP_DATE", "240520"}});
    const ConsignmentResult r = runWith("20240520");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.lines, 63);
    {
        Workbook book(r.path);
        EXPECT_EQ(book.sheet(2).cell(64, 4), CellValue::ofText("61"));
        EXPECT_EQ(book.sheet(2).cell(64, 12), CellValue::ofNumber(5));
        EXPECT_EQ(book.sheet(2).cell(65, 1).type, CellValue::Type::Empty);
    }
    QStringList lines;
    for (const QString &l : libreOfficeLines(folder.file("csv"), r.path))
        lines << l.trimmed();
    const std::string all = lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("11_プロパー値札,72,360")) << all;
    EXPECT_TRUE(lines.contains("91_テスト値札,3.5,105")) << all;
}

// ------------------------------------------------------------ batch mode

class ConsignmentBatch : public Consignment {
protected:
    int run(const QStringList &args)
    {
        outText.clear();
        errText.clear();
        QTextStream o(&outText);
        QTextStream e(&errText);
        BatchContext ctx{args, dialogs, o, e};
        return consignmentBatchCommands().first().run(ctx);
    }
    QString outText;
    QString errText;
};

TEST_F(ConsignmentBatch, DatePrintsThePathAndTheLinesThenFindsNothing)
{
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(run({"--date", "20240520"}), 0) << errText.toStdString();
    EXPECT_TRUE(outText.contains(QDir::toNativeSeparators(folderOut() + "/BD20261210_093005.xlsx"))) << outText.toStdString();
    EXPECT_TRUE(outText.contains("明細 3 件")) << outText.toStdString();
    EXPECT_EQ(charged(), (QStringList{"100", "103", "104", "110"}));
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(run({"--date=240520"}), 1);
}

TEST_F(ConsignmentBatch, WrongUsageTouchesNothing)
{
    for (const QStringList &args : {QStringList{}, QStringList{"--date"}, QStringList{"--date", "2024-05-20"},
                                    QStringList{"--date", "20240520", "extra"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(run(args), 2);
        EXPECT_FALSE(errText.isEmpty());
    }
    EXPECT_EQ(charged(), QStringList{"103"});
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

} // namespace
