// Correcting delivered quantities and reporting the corrections.

#include "store/Settings.h"
#include "output/ChangeHistory.h"
#include "store/ChangeMarker.h"
#include "output/DeliveredQuantity.h"
#include "output/Workbook.h"
#include "store/GridColumns.h"
#include "support/ScriptedDialogs.h"
#include "support/LibreOffice.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <optional>

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
        EXPECT_EQ(db.scalar(QStringLiteral("Select ") + ChangeMarker::sqlMake(QStringLiteral("?"), QStringLiteral("?")),
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
    EXPECT_EQ(UpdateDeliveredQuantity(*db, 100, 120, 0), 0);
    EXPECT_EQ(col("ONSURY").toString(), "000120");
    EXPECT_EQ(col("ONBTNK").toString(), "0001980");
    EXPECT_EQ(col("ONBAIJ").toString(), "0000023760");
    EXPECT_EQ(col("ONGENJ").toString(), "0000011880");   // 990.00 yen x 12
    EXPECT_EQ(col("ONSURYM").toString(), "0001500001980Y");
}

TEST_F(Correction, PriceGivenInRequestMode)
{
    EXPECT_EQ(UpdateDeliveredQuantity(*db, 100, 20, 2500), 0);
    EXPECT_EQ(col("ONBTNK").toString(), "0002500");
    EXPECT_EQ(col("ONBAIJ").toString(), "0000005000");
    EXPECT_EQ(col("ONSURYM").toString(), "0001500001980Y");   // ordered figures stay
}

struct OverflowCase {
    const char *name;
    int tenths;
    int price;
};

class CorrectionOverflow : public Correction, public ::testing::WithParamInterface<OverflowCase> {};

TEST_P(CorrectionOverflow, RefusedWithSixAndNothingWritten)
{
    const OverflowCase &c = GetParam();
    EXPECT_EQ(UpdateDeliveredQuantity(*db, 100, c.tenths, c.price), 6);
    EXPECT_EQ(col("ONSURY").toString(), "000150");
    EXPECT_EQ(col("ONSURYM").toString(), "0001500001980N");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorrectionOverflow,
    ::testing::Values(OverflowCase{"quantity_needs_seven_digits", 1000000, 0},
                      OverflowCase{"price_needs_eight_digits", 10, 10000000},
                      OverflowCase{"amount_beyond_32_bits", 999990, 9999999},
                      OverflowCase{"half_piece_amount_beyond_32_bits", 4295, 9999999},
                      OverflowCase{"negative_quantity", -10, 0}),
    [](const auto &info) { return std::string(info.param.name); });

// The amounts of one line for a quantity in tenths: the cost amount is
// truncated to whole yen, the selling amount rounded halves to even; whole
// pieces give the figures they always gave.
struct AmountCase {
    const char *name;
    const char *cost;    // ONGTNK, hundredths of a yen
    const char *price;   // ONBTNK
    int tenths;
    const char *sury;
    const char *genj;
    const char *baij;
};

class CorrectionAmounts : public ::testing::TestWithParam<AmountCase> {};

TEST_P(CorrectionAmounts, Stored)
{
    const AmountCase &c = GetParam();
    TempDataFolder folder;
    Database &db = folder.prepare();
    SlipRows::slip(db, 1, 10, {{"OMDNNO", "000123"}});
    SlipRows::line(db, 1, 10, 100, "000220", c.price, {{"ONGTNK", c.cost}});
    ASSERT_EQ(UpdateDeliveredQuantity(db, 100, c.tenths, 0), 0);
    const auto field = [&](const char *col) {
        return db.scalar(QString("SELECT %1 FROM TBL_RD_BD WHERE INDEXNOBD=100").arg(col)).toString();
    };
    EXPECT_EQ(field("ONSURY"), c.sury);
    EXPECT_EQ(field("ONGENJ"), c.genj);
    EXPECT_EQ(field("ONBAIJ"), c.baij);
    EXPECT_EQ(field("ONBTNK"), c.price);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorrectionAmounts,
    ::testing::Values(
        AmountCase{"whole_pieces", "000099000", "0001980", 120, "000120", "0000011880", "0000023760"},
        AmountCase{"whole_pieces_odd_cents", "000099999", "0000001", 70, "000070", "0000006999", "0000000007"},
        AmountCase{"half_piece_selling_rounds_half_up_to_even", "000099000", "0001981", 175, "000175",
                   "0000017325", "0000034668"},
        AmountCase{"half_piece_selling_rounds_half_down_to_even", "000000000", "0000003", 15, "000015",
                   "0000000000", "0000000004"},
        AmountCase{"cost_truncated_never_rounded", "000120050", "0001000", 30, "000030", "0000003601",
                   "0000003000"},
        AmountCase{"cost_of_half_piece_truncated", "000099999", "0000100", 5, "000005", "0000000499",
                   "0000000050"},
        AmountCase{"zero_pieces", "000120050", "0001981", 0, "000000", "0000000000", "0000000000"}),
    [](const auto &info) { return std::string(info.param.name); });

struct QuantityCase {
    const char *text;
    QuantityEntry entry;
    int tenths;
};

TEST(QuantityTenths, TypedTexts)
{
    const QuantityCase cases[] = {
        {"17.5", QuantityEntry::Ok, 175},          {"18", QuantityEntry::Ok, 180},
        {"2.50", QuantityEntry::Ok, 25},           {"0.1", QuantityEntry::Ok, 1},
        {"１７．５", QuantityEntry::Ok, 175},      {" 3 ", QuantityEntry::Ok, 30},
        {"-0", QuantityEntry::Ok, 0},              {"2.55", QuantityEntry::TooManyDecimals, 0},
        {"0.05", QuantityEntry::TooManyDecimals, 0}, {"-3", QuantityEntry::Negative, 0},
        {"-0.5", QuantityEntry::Negative, 0},      {"", QuantityEntry::NotANumber, 0},
        {"abc", QuantityEntry::NotANumber, 0},     {"9999999999", QuantityEntry::TooLarge, 0},
    };
    for (const QuantityCase &c : cases) {
        SCOPED_TRACE(c.text);
        qint32 tenths = -1;
        EXPECT_EQ(QuantityTenths(QString::fromUtf8(c.text), tenths), c.entry);
        if (c.entry == QuantityEntry::Ok)
            EXPECT_EQ(tenths, c.tenths);
    }
}

// Saving the correction list of one slip: line 01 ordered 22 pieces at
// 1,981 yen (cost 1,200.50 yen), line 02 ordered and delivered 17.5.
struct SaveCase {
    const char *name;
    const char *typed;                        // line 01's delivered pieces
    std::optional<MsgResult> overOrderAnswer;  // the question's answer, when it is asked
    CorrectionResult::Status status;
    const char *message;                       // the refusal shown, or ""
    const char *sury;                          // line 01 afterwards
    const char *genj;
    const char *baij;
};

class SaveCorrectionTable : public ::testing::TestWithParam<SaveCase> {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000123"}});
        SlipRows::line(*db, 1, 10, 100, "000220", "0001981",
                       {{"ONLINE", "01"}, {"ONGTNK", "000120050"}, {"ONGENJ", "0000026411"}, {"ONBAIJ", "0000043582"}});
        SlipRows::line(*db, 1, 10, 101, "000175", "0000500",
                       {{"ONLINE", "02"}, {"ONGTNK", "000020000"}, {"ONGENJ", "0000003500"}, {"ONBAIJ", "0000008750"}});
    }
    QString field(int bd, const char *col)
    {
        return db->scalar(QString("SELECT %1 FROM TBL_RD_BD WHERE INDEXNOBD=%2").arg(col).arg(bd)).toString();
    }
    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
};

TEST_P(SaveCorrectionTable, Outcome)
{
    const SaveCase &c = GetParam();
    GridData rows = loadGridData(*db, SlipCorrectionSql("000123"));
    const int quantity = rows.indexOf(QStringLiteral("納品数"));
    EXPECT_EQ(rows.text(1, quantity), "17.5");   // what the screen shows and saves back
    rows.setText(0, quantity, QString::fromUtf8(c.typed));
    if (c.overOrderAnswer)
        dialogs.answer(*c.overOrderAnswer);

    const CorrectionResult r = SaveCorrection(*db, dialogs, rows, 0, quantity, -1);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.message, QString::fromUtf8(c.message));
    EXPECT_EQ(dialogs.pending(), 0u);
    if (c.overOrderAnswer) {
        ASSERT_EQ(dialogs.shown().size(), 1);
        EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("受注数を超えています。このまま確定しますか？"));
        EXPECT_EQ(dialogs.shown()[0].buttons, MsgButtons::OkCancel);
        EXPECT_EQ(dialogs.shown()[0].defaultButton, MsgResult::Cancel);
    } else {
        EXPECT_TRUE(dialogs.shown().isEmpty());
    }
    if (c.status != CorrectionResult::Saved)
        EXPECT_EQ(r.row, 0);

    const bool saved = c.status == CorrectionResult::Saved;
    EXPECT_EQ(field(100, "ONSURY"), c.sury);
    EXPECT_EQ(field(100, "ONGENJ"), c.genj);
    EXPECT_EQ(field(100, "ONBAIJ"), c.baij);
    EXPECT_EQ(field(100, "ONSURYM"), saved ? "0002200001981Y" : "0002200001981N");
    // The untouched half piece keeps its tenths, saved and marked as always.
    EXPECT_EQ(field(101, "ONSURY"), "000175");
    EXPECT_EQ(field(101, "ONGENJ"), "0000003500");
    EXPECT_EQ(field(101, "ONBAIJ"), "0000008750");
    EXPECT_EQ(field(101, "ONSURYM"), saved ? "0001750000500Y" : "0001750000500N");
    EXPECT_EQ(db->transactionDepth(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveCorrectionTable,
    ::testing::Values(
        SaveCase{"half_piece_typed", "17.5", std::nullopt, CorrectionResult::Saved, "", "000175", "0000021008",
                 "0000034668"},
        SaveCase{"three_pieces_cost_truncated", "3", std::nullopt, CorrectionResult::Saved, "", "000030",
                 "0000003601", "0000005943"},
        SaveCase{"unchanged", "22", std::nullopt, CorrectionResult::Saved, "", "000220", "0000026411", "0000043582"},
        SaveCase{"two_decimals_refused", "2.55", std::nullopt, CorrectionResult::Refused,
                 "納品数は小数点以下1桁まで入力できます。", "000220", "0000026411", "0000043582"},
        SaveCase{"negative_refused", "-3", std::nullopt, CorrectionResult::Refused,
                 "納品数にマイナスの値は入力できません。", "000220", "0000026411", "0000043582"},
        SaveCase{"above_the_order_confirmed", "99", MsgResult::Ok, CorrectionResult::Saved, "", "000990",
                 "0000118849", "0000196119"},
        SaveCase{"above_the_order_declined", "99", MsgResult::Cancel, CorrectionResult::Declined, "", "000220",
                 "0000026411", "0000043582"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Correction, StoredPriceThatIsNotANumber)
{
    db->execute("UPDATE TBL_RD_BD SET ONGTNK='12X' WHERE INDEXNOBD=100");
    EXPECT_EQ(UpdateDeliveredQuantity(*db, 100, 10, 0), 13);
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
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 120, 0), 0);      // quantity only
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 101, 30, 450), 0);     // both
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 102, 30, 0), 0);       // "S" line corrected, values unchanged
    dialogs.answer(MsgResult::Ok);
    const ChangeHistoryResult r = writeChangeHistory(*db, dialogs);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.path, expectedPath());
    EXPECT_EQ(r.rows, 3);
    // Three corrected lines reported; the one with its ordered values gave no row.
    EXPECT_EQ(r.lines, 3);
    EXPECT_EQ(dialogs.shown().back().text, QString("ファイル、") + expectedPath()
                                               + "に出力しました。\n変更 3 行（訂正した明細 3 行を報告済みにしました）");
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
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 120, 0), 0);
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 100, 0), 0);
    dialogs.answer(MsgResult::Ok);
    const ChangeHistoryResult r = writeChangeHistory(*db, dialogs);
    ASSERT_EQ(r.rows, 1);
    Workbook book(r.path);
    EXPECT_EQ(book.sheet(1).cell(2, 10), CellValue::ofNumber(15));
    EXPECT_EQ(book.sheet(1).cell(2, 11), CellValue::ofNumber(10));
}

// The first workbook is the only record of the corrections it reported.
TEST_F(History, SecondRunInTheSameSecondKeepsTheFirstWorkbook)
{
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 120, 0), 0);
    dialogs.answer(MsgResult::Ok);
    const ChangeHistoryResult first = writeChangeHistory(*db, dialogs);
    ASSERT_EQ(first.status, 0);
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 101, 30, 0), 0);
    dialogs.answer(MsgResult::Ok);
    const ChangeHistoryResult second = writeChangeHistory(*db, dialogs);
    ASSERT_EQ(second.status, 0);

    EXPECT_EQ(first.path, expectedPath());
    EXPECT_EQ(second.path, QDir::toNativeSeparators(out + "/ChangeHist/CH20261210_093005_2.xlsx"));
    EXPECT_EQ(QDir(out + "/ChangeHist").entryList(QDir::Files),
              (QStringList{"CH20261210_093005.xlsx", "CH20261210_093005_2.xlsx"}));
    Workbook one(first.path);
    EXPECT_EQ(one.sheet(1).cell(2, 5), CellValue::ofText("ニットカーディガン"));
    EXPECT_EQ(one.sheet(1).cell(3, 1).type, CellValue::Type::Empty);
    Workbook two(second.path);
    EXPECT_EQ(two.sheet(1).cell(2, 5), CellValue::ofText("ソックス"));
    EXPECT_EQ(two.sheet(1).cell(3, 1).type, CellValue::Type::Empty);
}

TEST_F(History, LibreOfficeOpensTheWorkbookWithTheRows)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice is not installed";
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 101, 30, 450), 0);
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
    EXPECT_EQ(dialogs.shown().back().text, QString("出力する明細が存在しませんでした。\n"
                                                   "未報告の訂正がないか、訂正した明細の数量・売単価が発注時と同じです。"));
    EXPECT_EQ(dialogs.shown().back().icon, MsgIcon::Warning);
    EXPECT_TRUE(QDir(out + "/ChangeHist").isEmpty());
    EXPECT_EQ(marker(101), "0000200000500Y");
    EXPECT_EQ(marker(102), "0000300000100S");
}

TEST_F(History, MissingTemplateFailsWithoutTouchingMarkers)
{
    ASSERT_EQ(UpdateDeliveredQuantity(*db, 100, 120, 0), 0);
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
