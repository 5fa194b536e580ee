// The desktop opener says why an address could not be opened.

#include "app/DesktopOpener.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDataFolder.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

struct OpenerCase {
    const char *name;
    const char *script;    // the opener's body; empty: no such program
    bool ok;
    const char *reason;    // the last line of the error box (%1: the opener), or how it starts
};

class Opener : public ::testing::TestWithParam<OpenerCase> {};

TEST_P(Opener, ReasonShown)
{
    const OpenerCase &c = GetParam();
    TempDataFolder folder;
    const QString program = folder.file("opener.sh");
    if (*c.script) {
        QFile f(program);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("#!/bin/sh\n") + c.script + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ScriptedDialogs dialogs;
    DesktopOpener opener(dialogs, program);
    QSignalSpy done(&opener, &DesktopOpener::finished);
    opener.open("http://edi.example/order", QStringLiteral("Web-EDIのサイトを開けませんでした。"));
    ASSERT_TRUE(done.count() > 0 || done.wait(30000));
    EXPECT_EQ(done.first().first().toBool(), c.ok);
    if (c.ok) {
        EXPECT_TRUE(dialogs.shown().isEmpty());
        return;
    }
    ASSERT_EQ(dialogs.shown().size(), 1);
    const QStringList lines = dialogs.shown()[0].text.split('\n');
    ASSERT_EQ(lines.size(), 3) << dialogs.shown()[0].text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Web-EDIのサイトを開けませんでした。"));
    EXPECT_EQ(lines[1], "http://edi.example/order");
    const QString reason = QString::fromUtf8(c.reason).replace("%1", program);
    if (*c.script)
        EXPECT_EQ(lines[2], reason);
    else
        EXPECT_TRUE(lines[2].startsWith(reason)) << lines[2].toStdString();
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Critical);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Opener,
    ::testing::Values(OpenerCase{"opened", "exit 0", true, ""},
                      OpenerCase{"opener_says_why", "echo \"no browser for $1\" >&2; exit 4", false,
                                 "no browser for http://edi.example/order"},
                      OpenerCase{"opener_silent", "exit 3", false, "%1 が終了コード 3 で終了しました。"},
                      OpenerCase{"no_opener", "", false, "%1 を起動できません。"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
