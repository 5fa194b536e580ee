// The billing desk is one desk's at a time: while another program holds it,
// every billing command is refused (exit 1) naming the holder, and works
// again once the holder has ended; the desk list shows who holds what.

#include "support/FolderHolder.h"
#include "support/TempDataFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status;
    QString out;
};

Outcome run(const QString &folder, const QStringList &args)
{
    QProcess p;
    p.setProgram(QStringLiteral(TOBARI_EXE));
    p.setArguments(QStringList{"--app-folder", folder, "--yes"} + args);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

TEST(BillingDesk, OtherDesksAreRefusedUntilTheHolderEnds)
{
    TempDataFolder folder;
    folder.prepare();
    auto desk1 = std::make_unique<FolderHolder>(QStringLiteral(FOLDER_LOCK_CHILD), folder.path(), "desk1",
                                                QStringList{"work:1:0"});
    ASSERT_TRUE(desk1->ok());
    const QList<QStringList> commands{
        {"closing", "--from", "2026/11/21", "--to", "2026/12/20"},
        {"billing-tick", "--slip", "1", "--on"},
        {"bill", "--out", folder.file("bill.dat")},
        {"billing-reoutput", "--run", "1", "--out", folder.file("again.dat")},
        {"cancel-closing"},
    };
    for (const QStringList &c : commands) {
        SCOPED_TRACE(c.join(' ').toStdString());
        const Outcome o = run(folder.path(), c);
        EXPECT_EQ(o.status, 1) << o.out.toStdString();
        EXPECT_TRUE(o.out.contains(QStringLiteral("請求処理は他の端末（"))) << o.out.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(folder.file("bill.dat")));

    const Outcome list = run(folder.path(), {"desks"});
    EXPECT_EQ(list.status, 0) << list.out.toStdString();
    EXPECT_TRUE(list.out.contains(QStringLiteral("\t請求処理"))) << list.out.toStdString();

    desk1->kill();   // a desk that dies lets go
    Outcome after{};
    for (int i = 0; i < 50; ++i) {
        after = run(folder.path(), {"closing", "--from", "2026/11/21", "--to", "2026/12/20"});
        if (!after.out.contains(QStringLiteral("他の端末")))
            break;
    }
    EXPECT_FALSE(after.out.contains(QStringLiteral("他の端末"))) << after.out.toStdString();
    EXPECT_NE(after.status, 3) << after.out.toStdString();
}

} // namespace
