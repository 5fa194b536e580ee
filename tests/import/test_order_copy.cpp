// The set statements on the staging rows, range by range: every row
// copied once, in file order, the previous file's rows all emptied, and a
// stop between two ranges of a copy undoes the whole import.

#include "ImportTestSupport.h"
#include "OrderFixture.h"
#include "import/OrderImport.h"
#include "store/Clock.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

namespace {

QString u(const char16_t *s)
{
    return QString::fromUtf16(s);
}

const QStringList AllTables{"IMP_RD_H1", "IMP_RD_H2", "IMP_RD_BD", "TBL_RD_H1", "TBL_RD_H2",
                            "TBL_RD_BD", "TBL_FLG_DATA", "TBL_IMP_DIGEST", "MST_IDX"};

// Two batches: three slips of 1, 4 and 2 lines, then one slip of 3 lines,
// so that ranges of 1, 2, 3 and 4 rows all end inside and at the edge of
// a batch and of a slip.
QByteArray twoBatches(const QString &date)
{
    QList<OrderRecord> r{fileHeader(date, "093000", "00003", "00007")};
    int no = 0;
    for (int lines : {1, 4, 2, -1, 3}) {
        if (lines < 0) {
            r << fileHeader(date, "100000", "00001", "00003");
            continue;
        }
        r << OrderRecord::slip().set("OMDNNO", QString::number(100 + ++no).rightJustified(6, QLatin1Char('0')));
        for (int l = 1; l <= lines; ++l)
            r << OrderRecord::line().set({{"ONLINE", QString::number(l).rightJustified(2, QLatin1Char('0'))},
                                          {"ONSURY", QString::number(10 * l).rightJustified(6, QLatin1Char('0'))},
                                          {"ONBTNK", "0001980"},
                                          {"ONSYKN", u(u"紳士ポロシャツ")}});
    }
    return orderFile(r);
}

// The tables after importing `earlier` and then `content` into a new data
// folder, `range` staging rows per statement (0: the default), so that
// the second import empties the staging rows of the first range by range.
QString importedWithRange(const QByteArray &earlier, const QByteArray &content, qint64 range)
{
    TempDataFolder folder;
    Database &db = folder.prepare();
    Clock::setFixed(QDateTime(QDate(2025, 3, 4), QTime(13, 5, 9)));
    const QString path = folder.file("order.txt");
    for (const QByteArray &file : {earlier, content}) {
        writeFile(path, file);
        ScriptedDialogs dialogs;
        dialogs.answer(MsgResult::Ok);
        QuietProgress progress;
        OrderImport op(db, dialogs, progress);
        if (range > 0)
            op.setCopyRange(range);
        EXPECT_EQ(op.run(path), 0);
    }
    return snapshot(db, AllTables);
}

TEST(OrderCopy, EveryRangeSizeGivesTheRowsOfOneStatementInTheSameOrder)
{
    // The earlier file is the larger one: emptying its staging rows takes
    // more ranges than the copies of the second file.
    const QByteArray earlier = twoBatches("250228") + orderFile({OrderRecord::slip(), OrderRecord::line()});
    const QByteArray file = twoBatches("250301");
    const QString whole = importedWithRange(earlier, file, 0);
    ASSERT_TRUE(whole.contains(QStringLiteral("|250301|100000|"))) << whole.toStdString();
    ASSERT_FALSE(whole.section(QStringLiteral("TBL_RD_H1"), 0, 0).contains(QStringLiteral("250228")));
    for (qint64 range : {1, 2, 3, 4, 10}) {
        SCOPED_TRACE(range);
        EXPECT_EQ(importedWithRange(earlier, file, range), whole);
    }
}

// Stops the import once some, but not all, slip lines of the new batch
// have reached the working table: a stop requested in the middle of the
// copy, looked at between two ranges.
class StopInTheLineCopy : public ImportProgress {
public:
    StopInTheLineCopy(Database &db, qint64 linesBefore, qint64 newLines)
        : db_(db), before_(linesBefore), newLines_(newLines)
    {
    }
    void setRange(qint64, qint64) override {}
    void setValue(qint64) override {}
    void setLabel(const QString &) override {}
    void processEvents() override { ++events; }
    bool aborted() const override
    {
        const qint64 copied = db_.scalar(QStringLiteral("Select count(*) From TBL_RD_BD")).toLongLong() - before_;
        if (copied > 0 && copied < newLines_)
            stopped = true;
        return stopped;
    }

    int events = 0;
    mutable bool stopped = false;

private:
    Database &db_;
    qint64 before_;
    qint64 newLines_;
};

TEST(OrderCopy, StopDuringTheCopyRollsEverythingBack)
{
    TempDataFolder folder;
    Database &db = folder.prepare();
    Clock::setFixed(QDateTime(QDate(2025, 3, 4), QTime(13, 5, 9)));
    const QString path = folder.file("order.txt");
    {
        writeFile(path, twoBatches("250301"));
        ScriptedDialogs dialogs;
        dialogs.answer(MsgResult::Ok);
        QuietProgress quiet;
        ASSERT_EQ(OrderImport(db, dialogs, quiet).run(path), 0);
    }
    const QString before = snapshot(db, AllTables);

    writeFile(path, twoBatches("250309"));
    ScriptedDialogs dialogs;
    dialogs.answer(MsgResult::Ok);
    StopInTheLineCopy progress(db, 10, 10);
    OrderImport op(db, dialogs, progress);
    op.setCopyRange(3);
    EXPECT_EQ(op.run(path), OrderImport::NothingDone);
    EXPECT_TRUE(progress.stopped);
    EXPECT_EQ(snapshot(db, AllTables), before);
    EXPECT_EQ(db.transactionDepth(), 0);
    // The confirmation was the only question; a stop says nothing more.
    EXPECT_EQ(dialogs.shown().size(), 1);
}

} // namespace
