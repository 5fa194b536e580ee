// The tag summary of a batch.

#include "support/TempDataFolder.h"
#include "tags/TagFixture.h"
#include "tags/TagSummary.h"

#include <gtest/gtest.h>

namespace {

using TagFixture::Line;

struct SummaryCase {
    const char *name;
    QList<Line> lines;
    QStringList rows;   // TBL_HUDA after building batch 1
};

void PrintTo(const SummaryCase &c, std::ostream *os)
{
    *os << c.name;
}

class TagSummaryCases : public ::testing::TestWithParam<SummaryCase> {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        TagFixture::masters(*db);
    }
    TempDataFolder folder;
    Database *db = nullptr;
};

TEST_P(TagSummaryCases, Rows)
{
    for (const Line &l : GetParam().lines)
        TagFixture::line(*db, l);
    BuildTagSummary(*db, 1);
    EXPECT_EQ(TagFixture::summary(*db), GetParam().rows);
}

const QVariant kNull;

INSTANTIATE_TEST_SUITE_P(
    , TagSummaryCases,
    ::testing::Values(
        SummaryCase{"AllStillToWrite",
                    {{1, 1, "1", "2", "000150", kNull}, {1, 2, "1", "2", "000250", QString("")}},
                    {QStringLiteral("1|1|2|値札A|40|")}},
        SummaryCase{"WrittenAndUnwrittenSplit",
                    {{1, 1, "1", "2", "000150", "261201"}, {1, 2, "1", "2", "000100", kNull},
                     {1, 3, "1", "3", "000100", "261201"}},
                    {QStringLiteral("1|1|2|値札A|15|出力済み"), QStringLiteral("1|1|3|値札B|10|出力済み"),
                     QStringLiteral("1|1|2|値札A|10|")}},
        SummaryCase{"TenthsSummedBeforeTruncating",
                    {{1, 1, "1", "2", "000015", kNull}, {1, 2, "1", "2", "000015", kNull}},
                    {QStringLiteral("1|1|2|値札A|3|")}},
        SummaryCase{"PbLinesByTagTypeWithoutMasterRowNull",
                    {{1, 1, "5", "1", "000020", kNull}, {1, 2, "5", "1", "000030", kNull, "000002"},
                     {1, 3, "5", "1", "000010", "261201"}},
                    {QStringLiteral("1|5|1|7|1|出力済み"), QStringLiteral("1|5|1||3|"),
                     QStringLiteral("1|5|1|7|2|")}},
        SummaryCase{"CodeZeroNeedsNoTag",
                    {{1, 1, "1", "0", "000150", kNull}, {1, 2, "5", "0", "000150", kNull}},
                    {}},
        SummaryCase{"KindWithoutMasterRowIsLeftOut",
                    {{1, 1, "9", "9", "000150", kNull}, {1, 2, "1", "2", "000010", kNull}},
                    {QStringLiteral("1|1|2|値札A|1|")}},
        SummaryCase{"OtherBatchesLeftOut",
                    {{2, 1, "1", "2", "000150", kNull}, {1, 2, "1", "2", "000010", kNull}},
                    {QStringLiteral("1|1|2|値札A|1|")}}),
    [](const ::testing::TestParamInfo<SummaryCase> &i) { return std::string(i.param.name); });

TEST(TagSummary, RebuildingForAnotherBatchLeavesNoRowOfTheFirst)
{
    TempDataFolder folder;
    Database &db = folder.prepare();
    TagFixture::masters(db);
    TagFixture::line(db, {1, 1, "1", "2", "000150", kNull});
    TagFixture::line(db, {2, 2, "1", "3", "000070", kNull});
    BuildTagSummary(db, 1);
    BuildTagSummary(db, 2);
    EXPECT_EQ(TagFixture::summary(db), QStringList{QStringLiteral("2|1|3|値札B|7|")});
}

// The PB statements convert the keys to numbers: a key that is not one
// fails them, and the ordinary rows already built stay.
TEST(TagSummary, AKeyThatIsNotANumberFailsThePbStatements)
{
    TempDataFolder folder;
    Database &db = folder.prepare();
    TagFixture::masters(db);
    TagFixture::line(db, {1, 1, "1", "2", "000150", kNull});
    TagFixture::line(db, {1, 2, "5", "1", "000150", kNull, "00000A"});
    try {
        BuildTagSummary(db, 1);
        ADD_FAILURE() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), 13);
    }
    EXPECT_EQ(TagFixture::summary(db), QStringList{QStringLiteral("1|1|2|値札A|15|")});
}

} // namespace
