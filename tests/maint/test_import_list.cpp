#include "maint/ImportList.h"

#include "MaintFixture.h"
#include "store/GridColumns.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

using namespace MaintFixture;

namespace {

TEST(ImportList, EachItemListsTheBatchesStillWaiting)
{
    TempDataFolder folder;
    Database &db = folder.prepare();
    addBatch(db, 1, "250201", {Slip{}}, QString(), QString("250202"));           // lists pending
    addBatch(db, 2, "250201", {Slip{}}, QString("250203"), QString());           // slips pending
    addBatch(db, 3, "250201", {Slip{}}, QString(), QString());                   // both
    addBatch(db, 4, "250201", {Slip{}}, QVariant(), QVariant());                 // Null: in neither
    addBatch(db, 5, "250201", {Slip{}}, QString("250203"), QString("250203"));   // done
    const struct {
        ImportList::Pending which;
        QStringList batches;
    } rows[] = {{ImportList::Pending::AssortmentLists, {"1", "3"}}, {ImportList::Pending::Slips, {"2", "3"}}};
    for (const auto &r : rows) {
        const GridData g = loadGridData(db, ImportList::pendingSql(r.which), GridLoader::ImportList);
        QStringList got;
        for (int i = 0; i < g.rowCount(); ++i)
            got << g.text(i, 0);
        got.sort();
        EXPECT_EQ(got, r.batches);
        EXPECT_EQ(g.columns()[1].caption, QString::fromUtf8("データ日付"));
        EXPECT_EQ(formatGridText(g.text(0, 1), g.columns()[1].format), QString::fromUtf8("25年01月31日"));
    }
}

TEST(ImportList, EverythingPrintedGivesNoRows)
{
    TempDataFolder folder;
    Database &db = folder.prepare();
    addBatch(db, 1, "250201", {Slip{}}, QString("250203"), QString("250203"));
    for (auto which : {ImportList::Pending::AssortmentLists, ImportList::Pending::Slips})
        EXPECT_EQ(loadGridData(db, ImportList::pendingSql(which), GridLoader::ImportList).rowCount(), 0);
}

} // namespace
