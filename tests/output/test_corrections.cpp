// Correcting delivered quantities and reporting the corrections.

#include "store/Settings.h"
#include "output/ChangeHistory.h"
#include "store/ChangeMarker.h"
#include "output/DeliveredQuantity.h"
#include "output/Workbook.h"
#include "support/LibreOffice.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

TEST(ChangeMarkerTest, Parts)
{
    const QString m = ChangeMarker::make("000150", "0001980");
    EXPECT_EQ(m, "0001500001980N");
    EXPECT_EQ(m.size(), ChangeMarker::Length);
    EXPECT_EQ(ChangeMarker::orderedQuantityText(m), "000150");
    EXPECT_EQ(ChangeMarker::orderedPriceText(m), "0001980");
    EXPECT_EQ(ChangeMarker::withState(m, ChangeMarker::Corrected), "0001500001980Y");
    EXPECT_EQ(ChangeMarker::state(ChangeMarker::withState(m, ChangeMarker::Billed)), QChar('S'));
}

// The marker of an imported line, made in code and in the import's SQL:
// the same fourteen characters, whatever widths the fields came in.
TEST(ChangeMarkerTest, MadeInCodeAndInSqlAlike)
{
    TempDataFolder folder;
    Database &db = folder.prepare();
    const struct {
        const char *name, *quantity, *price, *marker;
    } cases[] = {
        {"full widths", "000150", "0001980", "0001500001980N"},
        {"short fields", "15", "1980", "15    1980   N"},
        {"empty fields", "", "", "             N"},
        {"long fields", "1234567", "123456789", "1234561234567N"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChangeMarker::make(c.quantity, c.price), c.marker);
        EXPECT_EQ(db.scalar(QStringLiteral("Select ") + ChangeMarker::sqlMake(QStringLiteral("?1"), QStringLiteral("?2")),
                            {QString::fromLatin1(c.quantity), QString::fromLatin1(c.price)})
                      .toString(),
                  c.marker);
    }
    // A field the row does not have counts as empty.
    EXPECT_EQ(db.scalar(QStringLiteral("Select ") + ChangeMarker::sqlMake(QStringLiteral("Null"), QStringLiteral("'0001980'")))
                  .toString(),
              "      0001980N");
}

class Correction : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000123"}, {"OMHCNO", "7000001"}, {"OMHCDT", "261201"}});
        SlipRows::line(*db, 1, 10, 100, "000150", "0001980",
                       {{"ONGTNK", "000099000"}, {"ONGENJ", "0000001485"}, {"ONBAIJ", "0000029700"},
                        {"ONLINE", "01"}, {"ONSYKN", "ニットカーディガン"}, {"ONSKU", "123456"}});
    }
    QVariant col(const char *c) { return db->scalar(QString("SELECT %1 FROM TBL_RD_BD WHERE INDEXNOBD=100").arg(c)); }

    TempDataFolder folder;
    Database *db = nullptr;
};

TEST_F(Correction, TwelvePiecesRewritesAmountsAndMarksTheLine)
{
    EXPECT_EQ(UpdateDeliveredQuantity(*db, 100, 12, 0), 0);
    EXPECT_EQ(col("ONSURY").toString(), "000120");
    EXPECT_EQ(col("ONBTNK").toString(), "0001980");
    EXPECT_EQ(col("ONBAIJ").toString(), "0000023760");
    EXPECT_EQ(col("ONGENJ").toString(), "0000011880");   // 990.00 yen x 12
    EXPECT_EQ(col("ONSURYM").toString(), "0001500001980Y");
}

TEST_F(Correction, PriceGivenInRequestMode)
{
    EXPECT_EQ(UpdateDeliveredQuantity(*db, 100, 2, 2500), 0);
    EXPECT_EQ(col("ONBTNK").toString(), "0002500");
    EXPECT_EQ(col("ONBAIJ").toString(), "0000005000");
    EXPECT_EQ(col("ONSURYM").toString(), "0001500001980Y");   // ordered figures stay
}

struct OverflowCase {
    const char *name;
    int quantity;
    int price;
};

class CorrectionOverflow : public Correction, public ::testing::WithParamInterface<OverflowCase> {};

TEST_P(CorrectionOverflow, RefusedWithSixAndNothingWritten)
{
    const OverflowCase &c = GetParam();
    EXPECT_EQ(UpdateDeliveredQuantity(*db, 100, c.quantity, c.price), 6);
    EXPECT_EQ(col("ONSURY").toString(), "000150");
    EXPECT_EQ(col("ONSURYM").toString(), "0001500001980N");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorrectionOverflow,
    ::testing::Values(OverflowCase{"quantity_needs_seven_digits", 100000, 0},
                      OverflowCase{"price_needs_eight_digits", 1, 10000000},
                      OverflowCase{"amount_beyond_32_bits", 99999, 9999999},
                      OverflowCase{"negative_quantity", -1, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Correction, StoredPriceThatIsNotANumber)
{
    db->execute("UPDATE TBL_RD_BD SET ONGTNK='12X' WHERE INDEXNOBD=100");
    EXPECT_EQ(UpdateDeliveredQuantity(*db, 100, 1, 0), 13);
}

// ------------------------------------------------------------ change history

class History : public Correction {
protected:
    void SetUp() override
    {
        Correction::SetUp();
        QDir().mkpath(folder.file("COR"));
        ASSERT_TRUE(QFile::copy(TOBARI_TEMPLATE_DIR "/COR/ChangeHist", folder.file("COR/ChangeHist")));
        out = folder.file("out");
        Settings::write(SettingKey::WritePath, out);
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 30, 5)));
        // A second line: price and quantity both corrected; a third: "S", untouched.
        SlipRows::line(*db, 1, 10, 101, "000020", "0000500",
                       {{"ONLINE", "02"}, {"ONSYKN", "ソックス"}, {"ONGTNK", "000020000"}});
        SlipRows::line(*db, 1, 10, 102, "000030", "0000100",
                       {{"ONLINE", "03"}, {"ONSURYM", "0000300000100S"}, {"ONGTNK", "000010000"}});
    }
    QString expectedPath() const { return QDir::toNativeSeparators(out + "/ChangeHist/CH20261210_093005.xlsx"); }
    QString marker(int bd)
    {
        return db->scalar("SELECT ONSURYM FROM TBL_RD_BD WHERE INDEXNOBD=?", {bd}).toString();
    }
    QString out;
    ScriptedDialogs dialogs;
};

TEST_F(History, DeclinedDoesNothing)
{
    dialogs.answer(MsgResult::Cancel);
    EXPECT_EQ(writeChangeHistory(*db, dialogs).status, 1);
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(History, OneRowPerChangedValueQuantityFirst)
{
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 12, 0), 0);      // quantity only
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 101, 3, 450), 0);     // both
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 102, 3, 0), 0);       // "S" line corrected, values unchanged
    dialogs.answer(MsgResult::Ok);
    const ChangeHistoryResult r = writeChangeHistory(*db, dialogs);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.path, expectedPath());
    EXPECT_EQ(r.rows, 3);
    EXPECT_EQ(dialogs.shown().back().text, QString("ファイル、") + expectedPath() + "に出力しました。");
    EXPECT_FALSE(QFileInfo::exists(expectedPath() + ".part"));

    Workbook book(r.path);
    Worksheet sheet = book.sheet(1);
    EXPECT_EQ(sheet.cell(2, 2), CellValue::ofText("7000001"));
    EXPECT_EQ(sheet.cell(2, 4), CellValue::ofText("01"));
    EXPECT_EQ(sheet.cell(2, 5), CellValue::ofText("ニットカーディガン"));
    EXPECT_EQ(sheet.cell(2, 9), CellValue::ofText("数量"));
    EXPECT_EQ(sheet.cell(2, 10), CellValue::ofNumber(15));
    EXPECT_EQ(sheet.cell(2, 11), CellValue::ofNumber(12));
    EXPECT_EQ(sheet.cell(3, 9), CellValue::ofText("数量"));
    EXPECT_EQ(sheet.cell(3, 10), CellValue::ofNumber(2));
    EXPECT_EQ(sheet.cell(3, 11), CellValue::ofNumber(3));
    EXPECT_EQ(sheet.cell(4, 9), CellValue::ofText("売単価"));
    EXPECT_EQ(sheet.cell(4, 10), CellValue::ofNumber(500));
    EXPECT_EQ(sheet.cell(4, 11), CellValue::ofNumber(450));
    EXPECT_EQ(sheet.cell(5, 1).type, CellValue::Type::Empty);

    // Reported lines go back to "N"; a run now finds nothing.
    EXPECT_EQ(marker(100), "0001500001980N");
    EXPECT_EQ(marker(102), "0000300000100N");
}

TEST_F(History, LineCorrectedTwiceComparesOrderedWithLatest)
{
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 12, 0), 0);
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 10, 0), 0);
    dialogs.answer(MsgResult::Ok);
    const ChangeHistoryResult r = writeChangeHistory(*db, dialogs);
    ASSERT_EQ(r.rows, 1);
    Workbook book(r.path);
    EXPECT_EQ(book.sheet(1).cell(2, 10), CellValue::ofNumber(15));
    EXPECT_EQ(book.sheet(1).cell(2, 11), CellValue::ofNumber(10));
}

TEST_F(History, LibreOfficeOpensTheWorkbookWithTheRows)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice is not installed";
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 101, 3, 450), 0);
    dialogs.answer(MsgResult::Ok);
    const ChangeHistoryResult r = writeChangeHistory(*db, dialogs);
    ASSERT_EQ(r.status, 0);
    const QStringList lines = libreOfficeLines(folder.file("csv"), r.path);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1].trimmed(), QString("261201,7000001,000123,02,ソックス,,,,数量,2,3"));
    EXPECT_EQ(lines[2].trimmed(), QString("261201,7000001,000123,02,ソックス,,,,売単価,500,450"));
}

TEST_F(History, NothingToReportLeavesNoFileAndKeepsMarkers)
{
    db->execute("UPDATE TBL_RD_BD SET ONSURYM=substr(ONSURYM,1,13) || 'Y' WHERE INDEXNOBD=101");   // unchanged values
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(writeChangeHistory(*db, dialogs).status, 1);
    EXPECT_EQ(dialogs.shown().back().text, QString("出力する明細が存在しませんでした。"));
    EXPECT_EQ(dialogs.shown().back().icon, MsgIcon::Warning);
    EXPECT_TRUE(QDir(out + "/ChangeHist").isEmpty());
    EXPECT_EQ(marker(101), "0000200000500Y");
    EXPECT_EQ(marker(102), "0000300000100S");
}

TEST_F(History, MissingTemplateFailsWithoutTouchingMarkers)
{
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 12, 0), 0);
    QFile::remove(folder.file("COR/ChangeHist"));
    dialogs.answer(MsgResult::Ok);
    try {
        writeChangeHistory(*db, dialogs);
        FAIL();
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbErr::FileNotFound);
    }
    EXPECT_EQ(marker(100), "0001500001980Y");
    EXPECT_TRUE(QDir(out + "/ChangeHist").isEmpty());
}

} // namespace
