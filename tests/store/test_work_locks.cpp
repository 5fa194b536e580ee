// Work locks between real programs: a second desk (another process on the
// same data) is refused the billing desk while the first holds it, told who
// holds it, and admitted once the first lets go or dies; batches lock one
// by one. On both engines: the embedded engine's lock file and the test
// server's session locks.

#include "store/WorkLock.h"
#include "support/FolderHolder.h"
#include "support/TempDataFolder.h"

#include <QSysInfo>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using WorkLock::Work;

class WorkLocks : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (GetParam() && qEnvironmentVariable("TOBARI_TEST_PG").isEmpty())
            GTEST_SKIP() << "no test server: scripts/test.sh starts one and sets TOBARI_TEST_PG";
        // The parameter decides the engine, whichever pass of the suite runs.
        qputenv("TOBARI_TEST_ENGINE", GetParam() ? "postgresql" : "sqlite");
        folder = std::make_unique<TempDataFolder>();
        db = &folder->prepare();
    }
    void TearDown() override
    {
        folder.reset();
        qputenv("TOBARI_TEST_ENGINE", engineBefore);
    }
    std::unique_ptr<FolderHolder> otherDesk(const QStringList &roles)
    {
        return std::make_unique<FolderHolder>(QStringLiteral(FOLDER_LOCK_CHILD), folder->path(), "desk2", roles);
    }
    // The holder as a refused desk reads it: the host on the server, the
    // program's record on the embedded engine.
    QString holderOf(const QString &refusal) const
    {
        const qsizetype open = refusal.indexOf(QStringLiteral("（"));
        return refusal.mid(open + 1, refusal.lastIndexOf(QStringLiteral("）")) - open - 1);
    }

    QByteArray engineBefore = qgetenv("TOBARI_TEST_ENGINE");
    std::unique_ptr<TempDataFolder> folder;
    Database *db = nullptr;
};

TEST_P(WorkLocks, SecondDeskIsRefusedTheBillingDeskAndToldWhoHasIt)
{
    auto desk2 = otherDesk({"work:1:0"});
    ASSERT_TRUE(desk2->ok());
    HeldWork billing(*db, Work::Billing);
    ASSERT_FALSE(billing);
    EXPECT_TRUE(billing.refusal().startsWith(QStringLiteral("請求処理は他の端末（"))) << billing.refusal().toStdString();
    if (GetParam())
        EXPECT_EQ(holderOf(billing.refusal()), QSysInfo::machineHostName());
    else
        EXPECT_TRUE(billing.refusal().contains(QString::number(desk2->pid()))) << billing.refusal().toStdString();
    EXPECT_THROW(billing.require(), DbError);

    // Other work, and other batches, are free.
    EXPECT_TRUE(HeldWork(*db, Work::Maintenance));
    EXPECT_TRUE(HeldWork(*db, Work::SlipPrinting, 7));

    desk2->stop();
    EXPECT_TRUE(HeldWork(*db, Work::Billing));
}

TEST_P(WorkLocks, DeskThatDiesLetsGo)
{
    auto desk2 = otherDesk({"work:3:12"});
    ASSERT_TRUE(desk2->ok());
    {
        HeldWork printing(*db, Work::SlipPrinting, 12);
        EXPECT_FALSE(printing);
        EXPECT_TRUE(printing.refusal().contains(QStringLiteral("バッチ 12 の伝票・品揃表"))) << printing.refusal().toStdString();
    }
    EXPECT_TRUE(HeldWork(*db, Work::SlipPrinting, 13));
    desk2->kill();
    // The server ends a killed client's session once it notices the
    // socket closed; the lock file's lock goes with the process at once.
    bool free = false;
    for (int i = 0; i < 100 && !free; ++i) {
        free = bool(HeldWork(*db, Work::SlipPrinting, 12));
        if (!free)
            QThread::msleep(100);
    }
    EXPECT_TRUE(free);
}

TEST_P(WorkLocks, HeldTwiceByOneDeskIsReleasedTwice)
{
    {
        HeldWork outer(*db, Work::TagRun, 5);
        ASSERT_TRUE(outer);
        {
            HeldWork inner(*db, Work::TagRun, 5);
            EXPECT_TRUE(inner);
        }
        auto desk2 = otherDesk({"work:4:5"});
        EXPECT_FALSE(desk2->ok()) << "the outer hold was given back with the inner one";
    }
    auto desk2 = otherDesk({"work:4:5"});
    EXPECT_TRUE(desk2->ok());
}

TEST_P(WorkLocks, DeskListNamesEveryDeskAndWhatItHolds)
{
    auto desk2 = otherDesk({"work:1:0", "work:5:3"});
    ASSERT_TRUE(desk2->ok());
    HeldWork printing(*db, Work::SlipPrinting, 9);
    ASSERT_TRUE(printing);
    const QList<Database::Desk> desks = db->desks();
    ASSERT_GE(desks.size(), 2);
    const auto self = std::find_if(desks.begin(), desks.end(), [](const Database::Desk &d) { return d.self; });
    ASSERT_NE(self, desks.end());
    EXPECT_EQ(self->holds, QStringList{"3:9"});
    const auto other = std::find_if(desks.begin(), desks.end(),
                                    [](const Database::Desk &d) { return d.holds.contains("1:0"); });
    ASSERT_NE(other, desks.end());
    QStringList held = other->holds;
    held.sort();
    EXPECT_EQ(held, (QStringList{"1:0", "5:3"}));
}

INSTANTIATE_TEST_SUITE_P(Engines, WorkLocks, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Server" : "Embedded"; });

} // namespace
