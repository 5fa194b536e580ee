// Request confirmation workbooks, read back from the saved package, and the
// request numbers they give the slips.

#include "output/Workbook.h"
#include "store/Numbering.h"
#include "support/LibreOffice.h"
#include "support/TempDataFolder.h"
#include "store/SafeName.h"
#include "tags/RequestWorkbooks.h"
#include "tags/TagReports.h"
#include "tags/TagFixture.h"

#include <pugixml.hpp>
#include <zip.h>

#include <gtest/gtest.h>

namespace {

const QVariant kNull;

std::string packagePart(const QString &path, const char *part)
{
    int error = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!za)
        return {};
    std::string out;
    zip_stat_t st;
    if (zip_stat(za, part, 0, &st) == 0) {
        zip_file_t *f = zip_fopen(za, part, 0);
        out.resize(st.size);
        zip_fread(f, out.data(), st.size);
        zip_fclose(f);
    }
    zip_discard(za);
    return out;
}

// The rows of sheet 1 whose cells A to J all have a bottom border, and the
// sheet's protection hash.
struct SheetLook {
    QList<int> borderedRows;
    QString password;
};

SheetLook lookOf(const QString &path)
{
    pugi::xml_document sheet, styles;
    sheet.load_string(packagePart(path, "xl/worksheets/sheet1.xml").c_str());
    styles.load_string(packagePart(path, "xl/styles.xml").c_str());
    QList<bool> bottom;
    for (pugi::xml_node b : styles.child("styleSheet").child("borders").children("border"))
        bottom << !QString::fromUtf8(b.child("bottom").attribute("style").value()).isEmpty();
    QList<int> xfBorder;
    for (pugi::xml_node xf : styles.child("styleSheet").child("cellXfs").children("xf"))
        xfBorder << xf.attribute("borderId").as_int();
    SheetLook look;
    for (pugi::xml_node row : sheet.child("worksheet").child("sheetData").children("row")) {
        int bordered = 0;
        for (pugi::xml_node c : row.children("c")) {
            const int s = c.attribute("s").as_int();
            const QString ref = QString::fromUtf8(c.attribute("r").value());
            if (ref.at(0) >= 'A' && ref.at(0) <= 'J' && bottom.value(xfBorder.value(s)))
                ++bordered;
        }
        if (bordered == 10)
            look.borderedRows << row.attribute("r").as_int();
    }
    look.password = QString::fromUtf8(sheet.child("worksheet").child("sheetProtection").attribute("password").value());
    return look;
}

QString text(Worksheet &s, int row, int column)
{
    const CellValue v = s.cell(row, column);
    return v.type == CellValue::Type::Number ? QString::number(v.number) : v.text;
}

// Batch 1 of partner 654321 "ＴＯＢＡＲＩ商事": place 01 destination 0001
// (slips 10, 11) and place 02 destination 0001 (slip 12); destination 0009
// is not in the master (slip 13); slip 14 has no tagged line.
class RequestWorkbookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        QDir().mkpath(folder.file("COR"));
        ASSERT_TRUE(QFile::copy(TOBARI_TEMPLATE_DIR "/COR/TOOCS", folder.file("COR/TOOCS")));
        TagFixture::masters(*db);
        SlipRows::insert(*db, "MST_NOUADD", {{"TOK_CD", "654321"}, {"NOU_CD", "0001"}, {"NOU_NAME", QStringLiteral("本店")},
                                             {"NOU_ADD", QStringLiteral("東京都港区1-2-3")}});
        slip(10, "010001", "7000001", {{100, "000030", "2"}, {101, "000015", "2"}});
        slip(11, "010001", "7000002", {{110, "000020", "2"}});
        slip(12, "020001", "7000003", {{120, "000010", "2"}});
        slip(13, "010009", "7000004", {{130, "000010", "2"}});
        slip(14, "010008", "7000005", {{140, "000010", "0"}});
        settings.appFolder = folder.path();
        settings.writePath = folder.file("out");
    }

    struct L {
        int bd;
        const char *sury;
        const char *code;
    };
    void slip(int h2, const char *yob3, const char *order, std::initializer_list<L> lines, const QString &name = {})
    {
        SlipRows::slip(*db, 1, h2, {{"OMFUDA", "1"}, {"OMTRCD", "654321"},
                                    {"OMTRKN", name.isEmpty() ? QStringLiteral("ＴＯＢＡＲＩ商事") : name},
                                    {"OMYOB3", yob3}, {"OMHCNO", order}, {"OMHCDT", "261201"}, {"OMNKDT", "261215"},
                                    {"SEIKYU_FLG", "0"}});
        int line = 1;
        for (const L &l : lines)
            SlipRows::line(*db, 1, h2, l.bd, l.sury, "0001980",
                           {{"ONNFKB", l.code}, {"ONLINE", QString("%1").arg(line++, 2, 10, QChar('0'))},
                            {"ONHNCD", "01"}, {"ONSKU", "000001"}, {"ONSYKN", QStringLiteral("シャツ")}});
    }
    QString flag(int h2) { return db->scalar("Select SEIKYU_FLG From TBL_RD_H2 Where INDEXNOH2=?", {h2}).toString(); }

    TempDataFolder folder;
    Database *db = nullptr;
    TagSettings settings;
};

TEST_F(RequestWorkbookTest, OneWorkbookPerGroupWithItsOwnNumber)
{
    const QList<RequestWorkbook> made = RequestWorkbooks::makeWorkbooks(*db, settings, 1).made;
    ASSERT_EQ(made.size(), 3);   // places 01 and 02 apart, destination 0009; none for slip 14
    QStringList names;
    for (const RequestWorkbook &w : made)
        names << QFileInfo(w.path).fileName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("261210_1_TOBARI商事_東日本値札ｾﾝﾀｰ_本店.xlsx"),
                                  QStringLiteral("261210_2_TOBARI商事_東日本値札ｾﾝﾀｰ_.xlsx"),
                                  QStringLiteral("261210_3_TOBARI商事_西日本値札ｾﾝﾀｰ_本店.xlsx")}));
    EXPECT_EQ(QFileInfo(made[0].path).absolutePath(), QDir(folder.file("out/1")).absolutePath());
    EXPECT_EQ(flag(10), "1");
    EXPECT_EQ(flag(11), "1");
    EXPECT_EQ(flag(13), "2");
    EXPECT_EQ(flag(12), "3");
    EXPECT_EQ(flag(14), "0");   // no tagged line: no workbook, no number
    EXPECT_EQ(GetNextIndex(*db, "JNO"), 4);
    EXPECT_EQ((QList<int>{made[0].slips, made[1].slips, made[2].slips}), (QList<int>{2, 1, 1}));
    // The completion message counts the slips that left ordinary billing.
    EXPECT_EQ(TagReports::requestWorkbooks(made),
              QStringLiteral("作成が終了しました。\n確認書 3 件を作成しました（フォルダ: ") + folder.file("out/1")
                  + QStringLiteral("）。\n伝票 4 枚に依頼No（1、2、3）が付きました。"
                                   "これらの伝票は通常の請求（締日計算）の対象から外れます。"));
    EXPECT_TRUE(QDir(folder.file("out/1")).entryList({"*.part"}, QDir::Files).isEmpty());

    Workbook book(made[0].path);
    Worksheet s = book.sheet(1);
    EXPECT_EQ(text(s, 1, 3), QStringLiteral("ＴＯＢＡＲＩ商事  御中"));
    EXPECT_EQ(text(s, 2, 3), "2026/12/10");
    EXPECT_EQ(text(s, 1, 10), "1");
    EXPECT_EQ(text(s, 2, 10), QStringLiteral("東日本値札センター"));
    EXPECT_EQ(text(s, 7, 3), QStringLiteral("本店"));
    EXPECT_EQ(text(s, 8, 3), QStringLiteral("東京都港区1-2-3"));
    const QStringList row12{"1", "7000001", "261201", "261215", QStringLiteral("シャツ"), "01", "000001", "1980", "3",
                            QStringLiteral("値札A")};
    const QStringList row14{"3", "7000002", "261201", "261215", QStringLiteral("シャツ"), "01", "000001", "1980", "2",
                            QStringLiteral("値札A")};
    for (int c = 1; c <= 10; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(text(s, 12, c), row12[c - 1]);
        EXPECT_EQ(text(s, 14, c), row14[c - 1]);
        EXPECT_EQ(text(s, 15, c), "");
    }
    EXPECT_EQ(text(s, 13, 9), "1.5");
    const SheetLook look = lookOf(made[0].path);
    EXPECT_EQ(look.borderedRows, (QList<int>{11, 14}));   // the heading frame, then under the last line only
    EXPECT_EQ(look.password, Workbook::legacyPasswordHash("kopram_RZN"));

    // The destination the master does not know: empty name and address.
    Workbook unknown(made[1].path);
    Worksheet u = unknown.sheet(1);
    EXPECT_EQ(text(u, 7, 3), "");
    EXPECT_EQ(text(u, 8, 3), "");
}

TEST_F(RequestWorkbookTest, NoTaggedLineMakesNothingAndSaysWhy)
{
    const QList<RequestWorkbook> made = RequestWorkbooks::makeWorkbooks(*db, settings, 1, "999999").made;
    EXPECT_TRUE(made.isEmpty());
    EXPECT_EQ(TagReports::requestWorkbooks(made),
              QStringLiteral("作成が終了しました。\n値札の付く明細がないため、確認書は作成していません（依頼Noも付けていません）。"));
}

TEST_F(RequestWorkbookTest, MakingAGroupAgainKeepsItsNumber)
{
    ASSERT_EQ(RequestWorkbooks::makeWorkbooks(*db, settings, 1, "654321").made.size(), 3);
    Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    const QList<RequestWorkbook> again = RequestWorkbooks::makeWorkbooks(*db, settings, 1).made;
    ASSERT_EQ(again.size(), 3);
    EXPECT_EQ(again[0].request, "1");
    EXPECT_TRUE(QFileInfo(again[0].path).fileName().startsWith("261211_1_")) << again[0].path.toStdString();
    EXPECT_EQ(GetNextIndex(*db, "JNO"), 4);
    EXPECT_EQ(QDir(folder.file("out/1")).entryList(QDir::Files).size(), 6);
}

TEST_F(RequestWorkbookTest, NamesFromDataCannotLeaveTheBatchFolder)
{
    db->execute("Delete From TBL_RD_H2 Where INDEXNOH2<>10");
    db->execute(QStringLiteral("Update TBL_RD_H2 Set OMTRKN='../A/B:C*?<>|\"'"));
    const QList<RequestWorkbook> made = RequestWorkbooks::makeWorkbooks(*db, settings, 1).made;
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(QFileInfo(made[0].path).fileName(), QStringLiteral("261210_1_.._A_B_C_______東日本値札ｾﾝﾀｰ_本店.xlsx"));
    EXPECT_EQ(QFileInfo(made[0].path).absolutePath(), QDir(folder.file("out/1")).absolutePath());
}

// A destination name too long for a file name shortens; the date, request
// number and partner stay whole, and the name fits in 255 bytes.
TEST_F(RequestWorkbookTest, LongDestinationNameShortens)
{
    const QString destination(130, QChar(0x7D0D));   // 納, three bytes each
    db->execute("Update MST_NOUADD Set NOU_NAME=?", {destination});
    const RequestWorkbooksOutcome o = RequestWorkbooks::makeWorkbooks(*db, settings, 1);
    EXPECT_TRUE(o.failed.isEmpty()) << o.failureText().toStdString();
    ASSERT_EQ(o.made.size(), 3);
    // 22 bytes of date, number and partner, 27 of the place, 5 of the
    // extension: 66 of the 130 characters are left.
    EXPECT_EQ(QFileInfo(o.made[0].path).fileName(),
              QStringLiteral("261210_1_TOBARI商事_東日本値札ｾﾝﾀｰ_") + QString(66, QChar(0x7D0D)) + ".xlsx");
    EXPECT_EQ(QFileInfo(o.made[2].path).fileName(),
              QStringLiteral("261210_3_TOBARI商事_西日本値札ｾﾝﾀｰ_") + QString(66, QChar(0x7D0D)) + ".xlsx");
    Workbook book(o.made[0].path);
    Worksheet s = book.sheet(1);
    EXPECT_EQ(text(s, 7, 3), destination);   // the sheet keeps the whole name
}

struct NameCase {
    const char *name;
    QString place, destination, expected;
};

class WorkbookNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(WorkbookNames, KeepDateNumberAndPartner)
{
    const NameCase &c = GetParam();
    const QString name = RequestWorkbooks::workbookFileName(QDate(2026, 12, 10), "17", QStringLiteral("ＴＯＢＡＲＩ商事"),
                                                            c.place, c.destination);
    EXPECT_EQ(name, c.expected);
    EXPECT_LE(SafeName::encodedLength(name), 255);
}

// "261210_17_TOBARI商事_" is 23 bytes, "_" and ".xlsx" 6 more: 226 are left
// for the place and the destination.
INSTANTIATE_TEST_SUITE_P(
    Cases, WorkbookNames,
    ::testing::Values(
        NameCase{"short_names_whole", QStringLiteral("東"), QStringLiteral("本店"),
                 QStringLiteral("261210_17_TOBARI商事_東_本店.xlsx")},
        NameCase{"destination_gives_way_first", QStringLiteral("東日本"), QString(100, QChar(0x7D0D)),
                 QStringLiteral("261210_17_TOBARI商事_東日本_") + QString(72, QChar(0x7D0D)) + ".xlsx"},
        NameCase{"both_long_share_the_room", QString(100, QChar(0x5834)), QString(100, QChar(0x7D0D)),
                 QStringLiteral("261210_17_TOBARI商事_") + QString(38, QChar(0x5834)) + "_"
                     + QString(37, QChar(0x7D0D)) + ".xlsx"},
        NameCase{"bad_characters_in_the_names", QStringLiteral("A:B"), QStringLiteral("C?D."),
                 QStringLiteral("261210_17_TOBARI商事_A_B_C_D..xlsx")}),
    [](const auto &info) { return std::string(info.param.name); });

// One group that fails (its file name is taken by a folder) is reported;
// the groups after it still get their workbooks.
TEST_F(RequestWorkbookTest, AFailedGroupStopsNoOther)
{
    ASSERT_TRUE(QDir().mkpath(folder.file("out/1/") + QStringLiteral("261210_2_TOBARI商事_東日本値札ｾﾝﾀｰ_.xlsx")));
    const RequestWorkbooksOutcome o = RequestWorkbooks::makeWorkbooks(*db, settings, 1);
    ASSERT_EQ(o.failed.size(), 1);
    EXPECT_EQ(o.failed[0].group, QStringLiteral("取引先 654321 作成場所 01 納品先 0009"));
    EXPECT_EQ(o.failed[0].number, DbErr::PathAccess);
    EXPECT_TRUE(o.failureText().contains(o.failed[0].group)) << o.failureText().toStdString();
    ASSERT_EQ(o.made.size(), 2);
    EXPECT_EQ(QFileInfo(o.made[1].path).fileName(), QStringLiteral("261210_2_TOBARI商事_西日本値札ｾﾝﾀｰ_本店.xlsx"));
    EXPECT_EQ(flag(10), "1");
    EXPECT_EQ(flag(13), "0");   // the failed group keeps no number
    EXPECT_EQ(flag(12), "2");
}

// A workbook that cannot be made leaves no number drawn, no number on the
// slips and no file.
TEST_F(RequestWorkbookTest, AFailedWorkbookLeavesNoNumberAndNoFile)
{
    QFile::remove(folder.file("COR/TOOCS"));
    QFile broken(folder.file("COR/TOOCS"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a workbook");
    broken.close();
    const RequestWorkbooksOutcome o = RequestWorkbooks::makeWorkbooks(*db, settings, 1);
    EXPECT_TRUE(o.made.isEmpty());
    ASSERT_EQ(o.failed.size(), 3);   // every group tried, each one reported
    for (const RequestWorkbookFailure &f : o.failed)
        EXPECT_EQ(f.number, WorkbookErr::Refused);
    EXPECT_EQ(flag(10), "0");
    EXPECT_EQ(GetNextIndex(*db, "JNO"), 1);
    EXPECT_TRUE(QDir(folder.file("out/1")).entryList(QDir::Files).isEmpty());
}

TEST_F(RequestWorkbookTest, LibreOfficeShowsTheConfirmation)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    db->execute("Delete From TBL_RD_H2 Where INDEXNOH2<>11");
    const QList<RequestWorkbook> made = RequestWorkbooks::makeWorkbooks(*db, settings, 1).made;
    ASSERT_EQ(made.size(), 1);
    const QStringList lines = libreOfficeLines(folder.file("lo"), made[0].path);
    ASSERT_GE(lines.size(), 8);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("ＴＯＢＡＲＩ商事  御中"))) << lines[0].toStdString();
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("1,7000002,261201,261215,シャツ,01,000001,1980,2,値札A")))
        << lines.join('\n').toStdString();
}

TEST(HalfWidth, NamesAsTheChainsFilesWriteThem)
{
    struct Case {
        const char *name;
        QString in, out;
    };
    const Case cases[] = {
        {"letters and digits", QStringLiteral("ＡＢＣ１２３"), "ABC123"},
        {"katakana with voiced marks", QStringLiteral("ガーデン・パーク"), QStringLiteral("ｶﾞｰﾃﾞﾝ･ﾊﾟｰｸ")},
        {"full-width blank", QStringLiteral("東京　本店"), QStringLiteral("東京 本店")},
        {"hiragana and kanji stay", QStringLiteral("がっこう東京"), QStringLiteral("がっこう東京")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RequestWorkbooks::toHalfWidth(c.in), c.out);
    }
}

} // namespace
