// The tag data file and the label program's start, checked against bytes
// written out by hand.

#include "tags/LabelProgramStandIn.h"
#include "store/Literals.h"
#include "support/TempDataFolder.h"
#include "tags/clsHudaPrint.h"

#include <gtest/gtest.h>

namespace {

// One row of a tag data query, by the columns clsHudaPrint reads.
struct TagRow {
    QString group = "123", article = "ART-1", item = "01", month = "12", price = "\\1900", partner = "654321",
            colour = QStringLiteral("ﾌﾞﾙｰ"), size = "M", key = "123-01-000001", code = "212301000001", kb = "10",
            price6 = "1001900", groupName = QStringLiteral("紳士"), division = QStringLiteral("日本");
    QString count = "3";
    QString bd = "501";
    // PB columns.
    QString itemCode, sizeText, material, origin;
};

// A query returning `rows` (the PB columns too when `pb`).
QString querySql(const QList<TagRow> &rows, bool pb)
{
    QStringList selects;
    for (const TagRow &r : rows) {
        QStringList cols;
        for (const QString &t : {r.group, r.article, r.item, r.month, r.price, r.partner, r.colour, r.size, r.key,
                                 r.code, r.kb, r.price6, r.groupName, r.division})
            cols << SqlText(t, false, true);
        cols << r.count << r.bd;
        if (pb)
            for (const QString &t : {r.itemCode, r.sizeText, r.material, r.origin})
                cols << SqlText(t, false, true);
        selects << QStringLiteral("Select ") + cols.join(QLatin1Char(','));
    }
    return selects.join(QStringLiteral(" Union All "));
}

// The fourteen text fields of a default row, quoted, in code page 932.
const QByteArray kFirst14 = "\"123\",\"ART-1\",\"01\",\"12\",\"\\1900\",\"654321\",\"\xcc\xde\xd9\xb0\",\"M\","
                            "\"123-01-000001\",\"212301000001\",\"10\",\"1001900\",\"\x90\x61\x8e\x6d\",\"\x93\xfa\x96\x7b\"";

class TagExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        settings.appFolder = folder.path();
        settings.taxRate = 5;
        settings.writePath = folder.file("out");
    }

    int run(const QList<TagRow> &rows, const QString &name, bool pb, qint32 request)
    {
        clsHudaPrint print(*db, settings);
        print.setSQL(querySql(rows, pb));
        const int r = print.Nehuda_EX(name, pb, request);
        written = print.OKMeisai();
        return r;
    }

    TempDataFolder folder;
    Database *db = nullptr;
    TagSettings settings;
    QStringList written;
};

TEST_F(TagExport, ShortFormStartsTheLabelProgramOnTheCompleteFile)
{
    LabelProgramStandIn program(folder.file("bin"));
    settings.labelProgram = program.program();
    TagRow quoted;
    quoted.article = "AB\"C";   // written as it is, not doubled
    quoted.count = "12";
    quoted.bd = "502";
    ASSERT_EQ(run({TagRow{}, quoted}, "12", false, 0), clsHudaPrint::Written);

    const QByteArray expected = kFirst14 + ",3,\"\\1995\"\r\n"
        "\"123\",\"AB\"C\",\"01\",\"12\",\"\\1900\",\"654321\",\"\xcc\xde\xd9\xb0\",\"M\","
        "\"123-01-000001\",\"212301000001\",\"10\",\"1001900\",\"\x90\x61\x8e\x6d\",\"\x93\xfa\x96\x7b\",12,\"\\1995\"\r\n";
    const QString data = folder.file("TAG_CSV/12.CSV");   // the folder was missing and is created
    EXPECT_EQ(readBytes(data), expected);
    EXPECT_EQ(written, (QStringList{"501", "502"}));

    const auto args = program.arguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, (QStringList{"/D=" + data, "/F=" + folder.file("LAYOUT/12.BTW"), "/P", "/X"}));
    EXPECT_EQ(program.seenData(), expected);
    EXPECT_TRUE(QDir(folder.file("TAG_CSV")).entryList(QDir::Files) == QStringList{"12.CSV"});
}

TEST_F(TagExport, TaxRateTruncatesTheTax)
{
    settings.taxRate = 8;
    TagRow r;
    r.price = "\\1980";
    ASSERT_EQ(run({r}, "12", false, 0), clsHudaPrint::ProgramMissing);   // the file is still written
    QByteArray expected = kFirst14 + ",3,\"\\2138\"\r\n";
    expected.replace("\\1900", "\\1980");
    EXPECT_EQ(readBytes(folder.file("TAG_CSV/12.CSV")), expected);
    // The file is there and the lines known: the caller decides on stamps.
    EXPECT_EQ(written, QStringList{"501"});
}

TEST_F(TagExport, LongFormCutsTheTextsIntoPrintLines)
{
    TagRow r;
    r.itemCode = "IT-9";
    r.sizeText = "ABCDEFGHIJKLMNOPQRSTUVWX123456";   // 30 bytes: 24 + 6
    r.material = QStringLiteral("綿100%");
    r.origin = QStringLiteral("日本");
    ASSERT_EQ(run({r}, "7", true, 0), clsHudaPrint::ProgramMissing);

    QByteArray expected = kFirst14 + ",3,\"IT-9\",\"ABCDEFGHIJKLMNOPQRSTUVWX\",\"123456\"";
    for (int i = 3; i <= 12; ++i)
        expected += ",\"\"";
    expected += ",\"\x96\xc8\x31\x30\x30\x25\"";
    for (int i = 2; i <= 13; ++i)
        expected += ",\"\"";
    expected += ",\"\",\"\x93\xfa\x96\x7b\",\"\\1995\",\"7\"\r\n";
    EXPECT_EQ(readBytes(folder.file("TAG_CSV/7.CSV")), expected);
}

TEST_F(TagExport, RequestRunWritesTheLongFormWithSpareTagsIntoTheRequestFolder)
{
    LabelProgramStandIn program(folder.file("bin"));
    settings.labelProgram = program.program();
    QList<TagRow> rows;
    // 4 tags: 4 x 1.03 + 0.9 = 5.02 is written as 5 (2 % would make 4.98, so 4).
    for (const char *count : {"1", "4", "10", "34"}) {
        TagRow r;
        r.count = QString::fromLatin1(count);
        rows << r;
    }
    ASSERT_EQ(run(rows, "12", false, 9), clsHudaPrint::Written);

    QByteArray empties;   // fields 16 to 43 of a query without PB columns
    for (int i = 16; i <= 43; ++i)
        empties += ",\"\"";
    QByteArray expected;
    for (const char *count : {"1", "5", "11", "35"})
        expected += kFirst14 + "," + count + empties + ",\"\\1995\",\"12\"\r\n";
    EXPECT_EQ(readBytes(folder.file("out/InPrintData/9/12.CSV")), expected);
    EXPECT_FALSE(QFileInfo::exists(folder.file("TAG_CSV/12.CSV")));
    // A request run never starts the label program.
    QThread::msleep(200);
    EXPECT_FALSE(program.started());
}

TEST_F(TagExport, NoRowsWritesNothingAndKeepsAnOlderFile)
{
    QDir().mkpath(folder.file("TAG_CSV"));
    QFile old(folder.file("TAG_CSV/12.CSV"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("older");
    old.close();
    clsHudaPrint print(*db, settings);
    print.setSQL(querySql({TagRow{}}, false) + " Limit 0");
    EXPECT_EQ(print.Nehuda_EX("12", false, 0), clsHudaPrint::NoRows);
    EXPECT_EQ(readBytes(folder.file("TAG_CSV/12.CSV")), "older");
}

// A run that fails part way leaves the older file under the final name and
// no written lines for the caller to stamp.
TEST_F(TagExport, AFailedRunLeavesNoPartialFile)
{
    struct Case {
        const char *name;
        QString price;
        QString count;
        int error;
    };
    const Case cases[] = {
        {"price times rate beyond 32 bits", "\\500000000", "3", 6},
        {"price not a number", "\\12a", "3", 13},
        {"count Null", "\\1900", "Null", 94},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir().mkpath(folder.file("TAG_CSV"));
        QFile old(folder.file("TAG_CSV/12.CSV"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("older");
        old.close();
        TagRow bad;
        bad.price = c.price;
        bad.count = c.count;
        bad.bd = "502";
        EXPECT_EQ(run({TagRow{}, bad}, "12", false, 0), c.error);
        EXPECT_TRUE(written.isEmpty());
        EXPECT_EQ(readBytes(folder.file("TAG_CSV/12.CSV")), "older");
        EXPECT_EQ(QDir(folder.file("TAG_CSV")).entryList(QDir::Files), QStringList{"12.CSV"});
    }
}

TEST(TagPrintLines, PiecesOf24Bytes)
{
    const QString thirty = "ABCDEFGHIJKLMNOPQRSTUVWX123456";
    const QString twelveA = QString(12, QChar(0x3042));   // あ x 12: 24 bytes
    struct Case {
        const char *name;
        QString text;
        int n;
        QString piece;
    };
    const Case cases[] = {
        {"first piece", thirty, 1, "ABCDEFGHIJKLMNOPQRSTUVWX"},
        {"the rest", thirty, 2, "123456"},
        {"past the end", thirty, 3, ""},
        {"empty text", "", 1, ""},
        {"double-byte characters filling a piece", twelveA + "B", 1, twelveA},
        {"after them", twelveA + "B", 2, "B"},
        {"a character cut at the boundary", "a" + twelveA, 2, QString(QChar(0xFFFD))},
        {"last piece", QString(16 * 24 - 1, 'x') + "y", 16, QString(23, 'x') + "y"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetInjiLine(c.text, c.n), c.piece);
    }
    for (const int n : {0, 17}) {
        try {
            GetInjiLine(thirty, n);
            ADD_FAILURE() << n;
        } catch (const DbError &e) {
            EXPECT_EQ(e.number(), 9);
        }
    }
}

TEST(TagPrice, TaxIsTruncatedAndOverflowIsAnError)
{
    struct Case {
        const char *name;
        QString price;
        int rate;
        QString result;   // empty: error `error`
        int error;
    };
    const Case cases[] = {
        {"rate 5", "\\1900", 5, "\\1995", 0},
        {"rate 8, 158.4 truncated", "\\1980", 8, "\\2138", 0},
        // A tax with a fraction of .5 or more tells truncating from rounding.
        {"rate 10, 199.5 truncated", "\\1995", 10, "\\2194", 0},
        {"rate 10, 199.9 truncated", "\\1999", 10, "\\2198", 0},
        {"rate 0", "\\1980", 0, "\\1980", 0},
        {"negative price truncates toward zero", "\\-150", 8, "\\-162", 0},
        {"largest product that fits", "\\268435455", 8, "\\289910291", 0},
        {"product beyond 32 bits", "\\268435456", 8, "", 6},
        {"not a number", "\\abc", 8, "", 13},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            EXPECT_EQ(PriceWithTax(c.price, c.rate), c.result);
            EXPECT_EQ(c.error, 0);
        } catch (const DbError &e) {
            EXPECT_EQ(e.number(), c.error);
        }
    }
}

} // namespace
