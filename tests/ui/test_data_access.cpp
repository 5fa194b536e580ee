#include "store/Connection.h"
#include "ui/DataAccessError.h"
#include "support/TempDataFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class DataFolderTest : public ::testing::Test {
protected:
    TempDataFolder folder;
};

TEST_F(DataFolderTest, MissingCommonFileIsReportedWithTheErrorBox)
{
    if (testsOnServer())
        GTEST_SKIP() << "about the data folder's database files";
    folder.prepare();
    ScriptedDialogs d;
    OpenDatabaseReporting(false, d);
    QFile::remove(folder.file("common.db"));
    EXPECT_EQ(OpenDatabaseReporting(true, d), DbErr::DatabaseFileMissing);
    ASSERT_EQ(d.shown().size(), 1);
    EXPECT_EQ(d.shown()[0].text, dataAccessErrorText(DbErr::DatabaseFileMissing));
    EXPECT_EQ(d.shown()[0].icon, MsgIcon::None);
    EXPECT_EQ(AppConnection(), nullptr);
}

TEST_F(DataFolderTest, ClosingWithoutConnectionIsSilent)
{
    ScriptedDialogs d;
    EXPECT_EQ(OpenDatabaseReporting(false, d), 0);
    EXPECT_TRUE(d.shown().isEmpty());
}

TEST_F(DataFolderTest, OpeningAndReopeningShowNothing)
{
    folder.prepare();
    ScriptedDialogs d;
    EXPECT_EQ(OpenDatabaseReporting(false, d), 0);
    EXPECT_EQ(OpenDatabaseReporting(true, d), 0);
    EXPECT_NE(AppConnection(), nullptr);
    EXPECT_TRUE(d.shown().isEmpty());
}

} // namespace
