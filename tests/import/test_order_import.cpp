// The order import end to end: file in, staging and working tables out.

#include "ImportTestSupport.h"
#include "OrderFixture.h"
#include "import/OrderImport.h"
#include "store/Clock.h"
#include "store/Cp932.h"
#include "store/Connection.h"
#include "store/Numbering.h"
#include "support/TempDataFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QString u(const char16_t *s)
{
    return QString::fromUtf16(s);
}

const QStringList AllTables{"IMP_RD_H1", "IMP_RD_H2", "IMP_RD_BD", "TBL_RD_H1", "TBL_RD_H2",
                            "TBL_RD_BD", "TBL_FLG_DATA", "MST_IDX"};
const QStringList WorkingTables{"TBL_RD_H1", "TBL_RD_H2", "TBL_RD_BD", "TBL_FLG_DATA"};

const QString LengthError = u(u"ファイルの長さに誤りがあります。\n処理を中止します。");
const QString NoHeaderError = u(u"ファイルからデータを読込む事が出来ませんでした。\n処理を中止します。");

QString confirmation(const QStringList &headerLines)
{
    QString t = u(u"以下の情報を取り込みます。宜しいですか？\nデータ処理日付(伝票枚数)\n");
    for (const QString &l : headerLines)
        t += l + QLatin1Char('\n');
    return t;
}

class OrderImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2025, 3, 4), QTime(13, 5, 9)));
        path = folder.file("order.txt");
    }

    int importBytes(const QByteArray &content)
    {
        writeFile(path, content);
        OrderImport op(*db, dialogs, progress);
        const int result = op.run(path);
        summary = op.summary();
        return result;
    }

    // Imports a file and answers its confirmation with `answer`.
    int importAnswering(const QByteArray &content, MsgResult answer)
    {
        dialogs.answer(answer);
        return importBytes(content);
    }

    QString confirmationShown() const
    {
        for (const auto &s : dialogs.shown())
            if (s.title == u(u"確認"))
                return s.text;
        return QString();
    }

    void setSeries(const char *key, qint64 value, qint64 start, qint64 end)
    {
        db->execute("Update MST_IDX Set IVal=?, IStart=?, IEnd=? Where IKey=?",
                    {value, start, end, QString::fromLatin1(key)});
    }

    qint64 nextNumber(const char *key)
    {
        return db->scalar("Select IVal From MST_IDX Where IKey=?", {QString::fromLatin1(key)}).toLongLong();
    }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    TestProgress progress;
    QString path;
    OrderImportSummary summary;
};

// A small file of one batch: two slips, three lines.
QByteArray oneBatch(const QString &date = "250301", const QString &time = "093000")
{
    return orderFile({fileHeader(date, time, "00002", "00003"),
                      OrderRecord::slip().set({{"OMDNNO", "000101"}, {"OMTRKN", u(u"株式会社トバリ")}}),
                      OrderRecord::line().set({{"ONLINE", "01"}, {"ONSURY", "000150"}, {"ONBTNK", "0001980"}}),
                      OrderRecord::line().set({{"ONLINE", "02"}, {"ONSURY", "000020"}, {"ONBTNK", "0000500"}}),
                      OrderRecord::slip().set({{"OMDNNO", "000102"}}),
                      OrderRecord::line().set({{"ONLINE", "01"}, {"ONSURY", "000010"}, {"ONBTNK", "0012000"}})});
}

// ------------------------------------------------------------ every field

// A value for field `i` of width `w` that no other field holds: a letter of
// its own, one short of the width so that the blank after it is removed.
QString distinctValue(int i, int w)
{
    static const char letters[] = "EFGHIJKLMNOPQRSTUVWXYZefghijklmnopqrstuvwxyz0123456789";
    const QChar c = QLatin1Char(letters[i]);
    return w == 1 ? QString(c) : QString(w - 1, c);
}

struct KindCase {
    const char *name;
    std::span<const OrderField> layout;
    const char *staging;
    const char *working;
    QList<std::pair<const char *, QString>> japanese;   // fields given Japanese text instead
};

class EveryField : public OrderImportTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(EveryField, LandsInItsColumn)
{
    const KindCase &c = GetParam();
    std::map<QString, QString> values;
    OrderRecord header = OrderRecord::header();
    OrderRecord slip = OrderRecord::slip();
    OrderRecord line = OrderRecord::line();
    OrderRecord &record = c.layout.size() == OrderLayout::H1.size()   ? header
                          : c.layout.size() == OrderLayout::H2.size() ? slip
                                                                      : line;
    for (size_t i = 1; i < c.layout.size(); ++i) {
        const QString v = distinctValue(int(i), c.layout[i].width);
        record.set(c.layout[i].name, v);
        values[QString::fromLatin1(c.layout[i].name)] = v;
    }
    for (const auto &[column, text] : c.japanese) {
        record.set(column, text);
        values[QString::fromLatin1(column)] = text;
    }
    values[QString::fromLatin1(c.layout[0].name)] = QString(QLatin1Char(record.bytes()[0]));

    ASSERT_EQ(importAnswering(orderFile({header, slip, line}), MsgResult::Ok), 0);
    for (const char *table : {c.staging, c.working}) {
        SCOPED_TRACE(table);
        Recordset rs = db->query(QStringLiteral("Select * From %1").arg(QString::fromLatin1(table)));
        ASSERT_FALSE(rs.eof());
        for (const auto &[column, expected] : values)
            EXPECT_EQ(rs.text(column), expected) << column.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EveryField,
    ::testing::Values(KindCase{"file_header", OrderLayout::H1, "IMP_RD_H1", "TBL_RD_H1", {}},
                      KindCase{"slip_header",
                               OrderLayout::H2,
                               "IMP_RD_H2",
                               "TBL_RD_H2",
                               {{"OMTRKN", u(u"株式会社トバリ商事")},
                                {"OMMSKN", u(u"渋谷店")},
                                {"OMBYKN", u(u"ｻﾄｳ ﾀﾛｳ")},
                                {"OMDNNO", "000012"}}},
                      KindCase{"slip_line",
                               OrderLayout::BD,
                               "IMP_RD_BD",
                               "TBL_RD_BD",
                               {{"ONSYKN", u(u"紳士ポロシャツ①")},
                                {"ONSZKN", u(u"Ｌ")},
                                {"ONCLKN", u(u"ｸﾛ")},
                                {"ONSKU", " 00420"}}}),
    [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------ batches and numbers

TEST_F(OrderImportTest, NumbersRecordsInFileOrderWithBatchZeroBeforeTheFirstHeader)
{
    setSeries("H1", 5, 1, 99999999);
    setSeries("H2", 10, 1, 99999999);
    setSeries("BD", 20, 1, 99999999);
    const QByteArray file = orderFile({
        OrderRecord::line().set("ONLINE", "91"),           // before any slip: slip 0 of batch 0
        OrderRecord::slip().set("OMDNNO", "000900"),       // before any header: batch 0
        fileHeader("250301", "093000", "00001", "00002"),
        OrderRecord::slip().set("OMDNNO", "000001"),
        OrderRecord::line().set("ONLINE", "01"),
        OrderRecord::line().set("ONLINE", "02"),
        OrderRecord::other('T'),                            // a trailer: read and skipped
        fileHeader("250302", "101500", "00001", "00001").set("OLREKB", "a"),
        OrderRecord::slip('b').set("OMDNNO", "000002"),
        OrderRecord::line('d').set("ONLINE", "01"),
    });
    ASSERT_EQ(importAnswering(file, MsgResult::Ok), 0);

    // The records before the first header are warned about: no list shows batch 0.
    EXPECT_EQ(confirmationShown(), confirmation({"250301 093000(00001)", "250302 101500(00001)",
                                                 u(u"※ 最初のファイルヘッダより前に伝票 1 枚、明細 1 行があります。"
                                                   u"これらは管理No 0 に入り、一覧には表示されません。")}));
    EXPECT_EQ(dump(*db, "Select OLREKB,OLOPDT,INDEXNOH1 From TBL_RD_H1 Order By INDEXNOH1"),
              "A|250301|5\na|250302|6");
    EXPECT_EQ(dump(*db, "Select OMREKB,OMDNNO,INDEXNOH1,INDEXNOH2,DEN_EXP_CHECK,HAKKOU_FLG,DEN_OP_DATE,SEIKYU_FLG "
                        "From TBL_RD_H2 Order By INDEXNOH2"),
              "B|000900|0|10|0|0|<null>|0\n"
              "B|000001|5|11|0|0|<null>|0\n"
              "b|000002|6|12|0|0|<null>|0");
    EXPECT_EQ(dump(*db, "Select ONREKB,ONLINE,INDEXNOH1,INDEXNOH2,INDEXNOBD,TAG_OP_DATE From TBL_RD_BD "
                        "Order By INDEXNOBD"),
              "D|91|0|0|20|\n"
              "D|01|5|11|21|\n"
              "D|02|5|11|22|\n"
              "d|01|6|12|23|");
    // One stamp row per file header, both with the same import date and time.
    EXPECT_EQ(dump(*db, "Select * From TBL_FLG_DATA Order By INDEXNOH1"),
              "5|250304|130509||||\n6|250304|130509||||");
    EXPECT_EQ(nextNumber("H1"), 7);
    EXPECT_EQ(nextNumber("H2"), 13);
    EXPECT_EQ(nextNumber("BD"), 24);
    EXPECT_EQ(summary.skippedLines, 1);
    EXPECT_EQ(progress.labels, QStringList{OrderImport::label()});
    EXPECT_EQ(progress.minimum(), 1);
    EXPECT_EQ(progress.maximum(), 11);   // ten lines + 1
    EXPECT_EQ(progress.value(), 11);
}

TEST_F(OrderImportTest, ChangeMarkerHoldsOrderedQuantityPriceAndStateN)
{
    const QByteArray file = orderFile({
        fileHeader("250301", "093000", "00001", "00003"),
        OrderRecord::slip(),
        OrderRecord::line().set({{"ONSURY", "000150"}, {"ONBTNK", "0001980"}}),
        // Damaged widths still leave the state letter fourteenth.
        OrderRecord::line().set({{"ONSURY", "15"}, {"ONBTNK", "1980"}}),
        OrderRecord::line(),
    });
    ASSERT_EQ(importAnswering(file, MsgResult::Ok), 0);
    EXPECT_EQ(dump(*db, "Select ONSURYM From TBL_RD_BD Order By INDEXNOBD"),
              "0001500001980N\n"
              "15    1980   N\n"
              "             N");
}

struct SeriesCase {
    const char *name;
    qint64 value, start, end;
    int lines;
};

class NumberSeries : public OrderImportTest, public ::testing::WithParamInterface<SeriesCase> {};

// Drawing the numbers in one step gives what drawing them one by one
// through GetNextIndex gives: the same numbers and the same stored IVal.
TEST_P(NumberSeries, MatchesDrawingOneByOne)
{
    const SeriesCase &c = GetParam();
    setSeries("BD", c.value, c.start, c.end);
    QList<OrderRecord> records{fileHeader("250301", "093000", "00001", QString("%1").arg(c.lines, 5, 10, QChar('0'))),
                               OrderRecord::slip()};
    for (int i = 0; i < c.lines; ++i)
        records << OrderRecord::line();
    ASSERT_EQ(importAnswering(orderFile(records), MsgResult::Ok), 0);
    const QString imported = dump(*db, "Select INDEXNOBD From IMP_RD_BD Order By REC_NO");   // file order
    const qint64 stored = nextNumber("BD");

    setSeries("BD", c.value, c.start, c.end);
    QStringList oneByOne;
    for (int i = 0; i < c.lines; ++i)
        oneByOne << QString::number(GetNextIndex(*db, "BD"));
    EXPECT_EQ(imported, oneByOne.join('\n'));
    EXPECT_EQ(stored, nextNumber("BD"));
}

INSTANTIATE_TEST_SUITE_P(Cases, NumberSeries,
                         ::testing::Values(SeriesCase{"plain", 1, 1, 99999999, 3},
                                           SeriesCase{"wraps_at_the_end", 4, 1, 5, 4},
                                           SeriesCase{"ends_exactly_at_the_end", 3, 1, 5, 3},
                                           SeriesCase{"beyond_the_end_restarts", 9, 1, 5, 3},
                                           SeriesCase{"single_number_range", 7, 7, 7, 1}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(OrderImportTest, ConfirmationAddsCountMismatchesAndEarlierImportsOfTheSameBytes)
{
    const QByteArray file = orderFile({
        fileHeader("250301", "093000", "00003", "00001"),
        OrderRecord::slip(),
        OrderRecord::line(),
        OrderRecord::slip(),
        OrderRecord::line(),
        fileHeader("250302", "101500", "00001", "00001"),
        OrderRecord::slip(),
        OrderRecord::line(),
    });
    ASSERT_EQ(importAnswering(file, MsgResult::Ok), 0);
    EXPECT_EQ(confirmationShown(), confirmation({"250301 093000(00003)", "250302 101500(00001)",
                                                 u(u"※ 250301 093000 の伝票枚数 00003 に対し、伝票は 2 枚です。"),
                                                 u(u"※ 250301 093000 の明細行数 00001 に対し、明細は 2 行です。")}));

    Clock::setFixed(QDateTime(QDate(2025, 3, 5), QTime(8, 0, 0)));
    ScriptedDialogs again;
    again.answer(MsgResult::Ok);
    writeFile(path, file);
    OrderImport second(*db, again, progress);
    ASSERT_EQ(second.run(path), 0);
    ASSERT_EQ(again.shown().size(), 1);
    EXPECT_TRUE(again.shown()[0].text.endsWith(
        u(u"※ 同じ内容のファイルを 25/03/04 13:05:09 に取り込み済みです（管理No 1, 2）。\n")))
        << again.shown()[0].text.toStdString();
    // Importing it anyway makes new batches, as the operator asked.
    EXPECT_EQ(dump(*db, "Select INDEXNOH1 From TBL_RD_H1 Order By INDEXNOH1"), "1\n2\n3\n4");
}

// ------------------------------------------------------------ declined, stopped, refused

TEST_F(OrderImportTest, DecliningKeepsTheWorkingTablesAndRefillsStaging)
{
    ASSERT_EQ(importAnswering(oneBatch("250301"), MsgResult::Ok), 0);
    const QString working = snapshot(*db, WorkingTables);

    EXPECT_EQ(importAnswering(oneBatch("250309"), MsgResult::Cancel), 1);
    EXPECT_EQ(snapshot(*db, WorkingTables), working);
    EXPECT_EQ(dump(*db, "Select OLOPDT,INDEXNOH1 From IMP_RD_H1"), "250309|2");
    EXPECT_EQ(dump(*db, "Select count(*) From IMP_RD_BD"), "3");
    // The staging rows are kept with their numbers, so those stay taken.
    EXPECT_EQ(nextNumber("H1"), 3);
    EXPECT_EQ(nextNumber("BD"), 7);
}

TEST_F(OrderImportTest, StoppingMidFileChangesNothingAndGivesTheNumbersBack)
{
    ASSERT_EQ(importAnswering(oneBatch("250301"), MsgResult::Ok), 0);
    const QString before = snapshot(*db, AllTables);

    progress.stopAtQuestion = 4;   // after the fourth record of the second pass
    ScriptedDialogs none;
    writeFile(path, oneBatch("250309"));
    OrderImport op(*db, none, progress);
    EXPECT_EQ(op.run(path), 1);
    EXPECT_EQ(snapshot(*db, AllTables), before);
    EXPECT_TRUE(none.shown().isEmpty()) << none.texts().join('\n').toStdString();
    EXPECT_EQ(db->transactionDepth(), 0);
}

struct RefusedCase {
    const char *name;
    QByteArray content;
    QString message;
};

class RefusedFile : public OrderImportTest, public ::testing::WithParamInterface<RefusedCase> {};

// The file is refused before anything is written: staging and numbers stay
// as the previous import left them.
TEST_P(RefusedFile, LeavesTheDatabaseUntouched)
{
    const RefusedCase &c = GetParam();
    ASSERT_EQ(importAnswering(oneBatch(), MsgResult::Ok), 0);
    const QString before = snapshot(*db, AllTables);
    ScriptedDialogs refusal;
    writeFile(path, c.content);
    OrderImport op(*db, refusal, progress);
    EXPECT_EQ(op.run(path), 1);
    ASSERT_EQ(refusal.shown().size(), 1);
    EXPECT_EQ(refusal.shown()[0].text, c.message);
    EXPECT_EQ(refusal.shown()[0].title, u(u"ファイル異常"));
    EXPECT_EQ(refusal.shown()[0].icon, MsgIcon::Critical);
    EXPECT_EQ(snapshot(*db, AllTables), before);
}

QByteArray binaryJunk()
{
    QByteArray b;
    quint32 x = 12345;
    for (int i = 0; i < 5000; ++i) {
        x = x * 1103515245u + 12345u;
        b += char(x >> 24);
    }
    b[100] = '\0';
    return b + QByteArray(3, '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedFile,
    ::testing::Values(
        RefusedCase{"last_line_short", oneBatch() + QByteArray(127, 'D') + "\r\n", LengthError},
        RefusedCase{"last_line_long", oneBatch() + QByteArray(129, 'D'), LengthError},
        RefusedCase{"empty_line_after_the_last_record", oneBatch() + "\r\n", LengthError},
        RefusedCase{"empty_file", QByteArray(), LengthError},
        RefusedCase{"binary_junk", binaryJunk(), LengthError},
        RefusedCase{"ten_megabyte_last_line", oneBatch() + QByteArray(10 << 20, 'D'), LengthError},
        // A double-byte character counts two bytes: 63 of them and a blank
        // are 127 bytes, though only 64 characters.
        RefusedCase{"last_line_counted_in_bytes", oneBatch() + cp932::encode(QString(63, QChar(u'あ'))) + " ",
                    LengthError}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(OrderImportTest, FileWithoutHeaderEmptiesAndRefillsStagingOnly)
{
    ASSERT_EQ(importAnswering(oneBatch(), MsgResult::Ok), 0);
    const QString working = snapshot(*db, WorkingTables);
    ScriptedDialogs refusal;
    writeFile(path, orderFile({OrderRecord::slip().set("OMDNNO", "000777"), OrderRecord::line()}));
    OrderImport op(*db, refusal, progress);
    EXPECT_EQ(op.run(path), 1);
    EXPECT_EQ(refusal.texts(), QStringList{NoHeaderError});
    EXPECT_EQ(snapshot(*db, WorkingTables), working);
    EXPECT_EQ(dump(*db, "Select count(*) From IMP_RD_H1"), "0");
    EXPECT_EQ(dump(*db, "Select OMDNNO,INDEXNOH1 From IMP_RD_H2"), "000777|0");
}

TEST_F(OrderImportTest, ShortRecordBeforeTheLastLineIsCutAtTheFixedPositions)
{
    QByteArray file = orderFile({fileHeader("250301", "093000", "00001", "00001"), OrderRecord::slip()});
    file += "D0107\r\n";   // a slip line of five bytes
    file += OrderRecord::other('T').bytes() + "\r\n";
    ASSERT_EQ(importAnswering(file, MsgResult::Ok), 0);
    EXPECT_EQ(dump(*db, "Select ONHJCD,ONLINE,ONGNCD,ONYOB2,ONSURYM From TBL_RD_BD"), "01|07|||             N");
}

// ------------------------------------------------------------ line ends and damaged bytes

struct LineEndCase {
    const char *name;
    QByteArray lineEnd;
    bool endAfterLast;
};

class LineEnds : public OrderImportTest, public ::testing::WithParamInterface<LineEndCase> {};

TEST_P(LineEnds, AllReadTheSameRecords)
{
    const LineEndCase &c = GetParam();
    const QList<OrderRecord> records{fileHeader("250301", "093000", "00001", "00002"),
                                     OrderRecord::slip().set("OMDNNO", "000101"),
                                     OrderRecord::line().set("ONLINE", "01"), OrderRecord::line().set("ONLINE", "02")};
    ASSERT_EQ(importAnswering(orderFile(records, c.lineEnd, c.endAfterLast), MsgResult::Ok), 0);
    EXPECT_EQ(dump(*db, "Select ONLINE,INDEXNOH2 From TBL_RD_BD Order By INDEXNOBD"), "01|1\n02|1");
    EXPECT_EQ(summary.fileLines, 4);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineEnds,
                         ::testing::Values(LineEndCase{"crlf", "\r\n", true}, LineEndCase{"cr", "\r", true},
                                           LineEndCase{"lf", "\n", true},
                                           LineEndCase{"no_line_end_after_the_last", "\r\n", false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(OrderImportTest, DamagedBytesStayInTheirField)
{
    const QString R(QChar(0xFFFD));
    OrderRecord slip = OrderRecord::slip().set("OMTRCD", "123456");
    // 株 is 8A 94: the lead byte ends OMTRKN, the trail byte spills into OMMSKN.
    QByteArray trkn = cp932::encode(u(u"トバリ")) + QByteArray("\x80\0", 2) + QByteArray(11, 'X') + "\x8A";
    slip.setBytes("OMTRKN", trkn);
    slip.setBytes("OMMSKN", "\x94" + cp932::encode(u(u"谷店")));
    const QByteArray file = orderFile({fileHeader("250301", "093000", "00001", "00000"), slip});
    ASSERT_EQ(importAnswering(file, MsgResult::Ok), 0);
    EXPECT_EQ(dump(*db, "Select OMTRCD,OMTRKN,OMMSKN,OMTCD1 From TBL_RD_H2"),
              u(u"123456|トバリ") + R + R + QString(11, QLatin1Char('X')) + R + u(u"|") + R + u(u"谷店|"));
}

TEST_F(OrderImportTest, TenMegabyteLineInsideTheFileIsCutLikeAnyRecord)
{
    QByteArray file = orderFile({fileHeader("250301", "093000", "00001", "00002"), OrderRecord::slip()});
    file += OrderRecord::line().set({{"ONLINE", "01"}, {"ONYOB2", "ABCD"}}).bytes() + QByteArray(10 << 20, 'x')
        + "\r\n";
    file += OrderRecord::line().set("ONLINE", "02").bytes() + "\r\n";
    ASSERT_EQ(importAnswering(file, MsgResult::Ok), 0);
    EXPECT_EQ(dump(*db, "Select ONLINE,ONYOB2 From TBL_RD_BD Order By INDEXNOBD"), "01|ABCD\n02|");
}

// ------------------------------------------------------------ failures

TEST_F(OrderImportTest, FileVanishingBetweenThePassesIsAnErrorAndChangesNothing)
{
    ASSERT_EQ(importAnswering(oneBatch(), MsgResult::Ok), 0);
    const QString before = snapshot(*db, AllTables);
    // The label is set between the counting pass and the reading pass.
    progress.onLabel = [this] { QFile::remove(path); };
    ScriptedDialogs errors;
    writeFile(path, oneBatch("250309"));
    OrderImport op(*db, errors, progress);
    EXPECT_EQ(op.run(path), 53);
    ASSERT_EQ(errors.shown().size(), 1);
    EXPECT_TRUE(errors.shown()[0].text.startsWith(u(u"ファイルが見つかりません。")));
    EXPECT_EQ(errors.shown()[0].icon, MsgIcon::None);
    EXPECT_EQ(snapshot(*db, AllTables), before);
}

TEST_F(OrderImportTest, MissingFileIsErrorFiftyThree)
{
    ScriptedDialogs errors;
    OrderImport op(*db, errors, progress);
    EXPECT_EQ(op.run(folder.file("nothing.txt")), 53);
    EXPECT_EQ(errors.shown().size(), 1);
}

// Each fault as either engine meets it, with the number either engine gives.
struct DatabaseFault {
    const char *name;
    std::function<void(Database &, std::unique_ptr<Database> &)> apply;
    int error;
    int serverError;
};

int faultNumber(const DatabaseFault &f)
{
    return testsOnServer() ? f.serverError : f.error;
}

void allowWrites(Database &db)
{
    db.execute(testsOnServer() ? "Set default_transaction_read_only=off" : "PRAGMA query_only=0");
}

class FaultyDatabase : public OrderImportTest, public ::testing::WithParamInterface<DatabaseFault> {};

TEST_P(FaultyDatabase, ErrorRollsBackEverything)
{
    ASSERT_EQ(importAnswering(oneBatch(), MsgResult::Ok), 0);
    std::unique_ptr<Database> other;
    GetParam().apply(*db, other);
    const QString before = snapshot(*db, AllTables);

    ScriptedDialogs errors;
    writeFile(path, oneBatch("250309"));
    OrderImport op(*db, errors, progress);
    EXPECT_EQ(op.run(path), faultNumber(GetParam()));
    ASSERT_EQ(errors.shown().size(), 1);
    EXPECT_EQ(errors.shown()[0].text, op.errorDescription());
    EXPECT_EQ(errors.shown()[0].buttons, MsgButtons::Ok);
    other.reset();
    allowWrites(*db);
    EXPECT_EQ(snapshot(*db, AllTables), before);
    EXPECT_EQ(db->transactionDepth(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FaultyDatabase,
    ::testing::Values(DatabaseFault{"read_only",
                                    [](Database &db, auto &) {
                                        db.execute(testsOnServer() ? "Set default_transaction_read_only=on"
                                                                   : "PRAGMA query_only=1");
                                    },
                                    DbErr::SqliteBase + 8, DbErr::ServerBase},
                      // Another desk in the middle of its own import: the
                      // embedded engine's file is locked whole, the server
                      // holds the rows of the number series.
                      DatabaseFault{"locked_by_another_program",
                                    [](Database &db, auto &other) {
                                        if (testsOnServer()) {
                                            db.execute("Set lock_timeout='50ms'");
                                            other = openConfiguredDatabase();
                                            other->begin();
                                            other->execute("Update MST_IDX Set IVal=IVal");
                                            return;
                                        }
                                        db.execute("PRAGMA busy_timeout=50");
                                        other = Database::open(db.path());
                                        other->begin();
                                        other->execute("Delete From MST_IDX Where IKey='ZZ'");
                                    },
                                    DbErr::SqliteBase + 5, DbErr::ServerBase},
                      // The series of the slip lines has no row: the import
                      // fails at its first slip line, after records were staged.
                      DatabaseFault{"series_missing",
                                    [](Database &db, auto &) {
                                        db.execute("Update MST_IDX Set IKey='bd' Where IKey='BD'");
                                    },
                                    3021, 3021}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

// ------------------------------------------------------------ killed in the middle

namespace {

class KilledImport : public OrderImportTest, public ::testing::WithParamInterface<const char *> {};

// The next start finds the database as it was before the import: SQLite
// rolls the journal of the killed transaction back when the file is opened.
TEST_P(KilledImport, LeavesNoPartialBatch)
{
    ASSERT_EQ(importAnswering(oneBatch(), MsgResult::Ok), 0);
    const QString before = snapshot(*db, AllTables);
    QList<OrderRecord> records{fileHeader("250309", "080000", "00010", "02000")};
    for (int s = 0; s < 10; ++s) {
        records << OrderRecord::slip();
        for (int l = 0; l < 200; ++l)
            records << OrderRecord::line().set({{"ONSURY", "000010"}, {"ONBTNK", "0000100"}});
    }
    writeFile(path, orderFile(records));

    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    // The rows written before the slip-line copy: one stamp, one file header, ten slips.
    child.start(QStringLiteral(IMPORT_CHILD), {folder.path(), path, GetParam(), "12"});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray said;
    while (!said.contains("ready") && child.state() == QProcess::Running && child.waitForReadyRead(60000))
        said += child.readAllStandardOutput();
    ASSERT_TRUE(said.contains("ready")) << said.toStdString() << child.readAllStandardError().toStdString();
    child.kill();
    child.waitForFinished();
    // The server rolls back the transaction of a connection that went away.
    if (!testsOnServer())
        EXPECT_TRUE(QFileInfo::exists(folder.file("data.db-journal")));   // killed inside the transaction

    ASSERT_EQ(OpenDatabase(true), 0);
    db = &RequireConnection();
    if (!testsOnServer())
        EXPECT_EQ(dump(*db, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(snapshot(*db, AllTables), before);
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledImport, ::testing::Values("staging", "copying"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
