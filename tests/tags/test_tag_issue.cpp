// The tag runs: questions, the data file written from the batch's lines,
// the label program's start and the stamps.

#include "support/TempDataFolder.h"
#include "tags/LabelProgramStandIn.h"
#include "tags/TagFixture.h"
#include "tags/TagIssue.h"

#include <gtest/gtest.h>

namespace {

using TagFixture::Line;

const QVariant kNull;
// The fourteen text fields the fixture's lines give, quoted, in code page 932.
const QByteArray kFirst14 = "\"123\",\"ART-1\",\"01\",\"12\",\"\\1900\",\"654321\",\"\xcc\xde\xd9\xb0\",\"M\","
                            "\"123-01-000001\",\"212301000001\",\"10\",\"1001900\",\"\x90\x61\x8e\x6d\",\"\x93\xfa\x96\x7b\"";
const QString kNoTagName = QStringLiteral(
    "マスタが札の種類が識別できません。\nPB札の場合、PBマスタの読込を行ってもう一度処理を行ってみてください。\n"
    "値札の場合プログラムのアップデートを行なって再度実行してください。");

// Batch 1: kind 1/2 with lines 10 (3 tags) and 12 (4 tags) still to write
// and line 11 written; PB kind 5/1 with line 20 (type 7, division 102
// without a name) and line 21 (no PB master row).
class TagRuns : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        TagFixture::masters(*db);
        TagFixture::line(*db, {1, 10, "1", "2", "000030", kNull});
        TagFixture::line(*db, {1, 11, "1", "2", "000020", "261201", "000001", "101", "02"});
        TagFixture::line(*db, {1, 12, "1", "2", "000040", QString(""), "000001", "101", "03"});
        TagFixture::line(*db, {1, 20, "5", "1", "000020", kNull, "000001", "102"});
        TagFixture::line(*db, {1, 21, "5", "1", "000010", kNull, "000002", "102"});
        settings.appFolder = folder.path();
        settings.labelProgram = program.program();
        settings.taxRate = 5;
    }

    QString stamp(int bd) { return db->scalar("Select TAG_OP_DATE From TBL_RD_BD Where INDEXNOBD=?", {bd}).toString(); }
    QByteArray file(const QString &name) { return readBytes(folder.file("TAG_CSV/" + name)); }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    LabelProgramStandIn program{folder.file("bin")};
    TagSettings settings;
    const TagKindRow ordinary{"1", "1", "2", QStringLiteral("値札A"), "7", ""};
};

TEST_F(TagRuns, KindRunWritesTheLinesStillToWriteAndStampsThem)
{
    dialogs.answer(MsgResult::Ok);
    const TagRunOutcome o = TagIssue::issueKind(*db, dialogs, settings, TagFlag::Ordinary, ordinary);
    EXPECT_EQ(o.status, TagRunOutcome::Done);
    ASSERT_EQ(dialogs.shown().size(), 2);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("印字作業を行います。\n値札A をプリンタにセットしてください。\n出力枚数は 7枚です。"));
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("確認"));
    // The run says what it wrote: the two lines, into this file.
    EXPECT_EQ(dialogs.shown()[1].text, QStringLiteral("印字データを出力しました。\n出力した明細: 2 行\n出力ファイル: ")
                                           + folder.file("TAG_CSV/12.CSV"));
    EXPECT_EQ(dialogs.shown()[1].icon, MsgIcon::Information);

    const QByteArray expected = kFirst14 + ",3,\"\\1995\"\r\n" + kFirst14 + ",4,\"\\1995\"\r\n";
    EXPECT_EQ(file("12.CSV"), expected);
    const auto args = program.arguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(args->value(0), "/D=" + folder.file("TAG_CSV/12.CSV"));
    EXPECT_EQ(program.seenData(), expected);
    EXPECT_EQ(o.stamped, (QStringList{"10", "12"}));
    EXPECT_EQ(stamp(10), "261210");
    EXPECT_EQ(stamp(11), "261201");
    EXPECT_EQ(stamp(12), "261210");
}

TEST_F(TagRuns, ReprintWritesExactlyTheWrittenLinesAndStampsThemAgain)
{
    dialogs.answer(MsgResult::Ok);
    TagKindRow written = ordinary;
    written.note = QStringLiteral("出力済み");
    EXPECT_EQ(TagIssue::issueKind(*db, dialogs, settings, TagFlag::Ordinary, written).status, TagRunOutcome::Done);
    EXPECT_EQ(file("12.CSV"), kFirst14 + ",2,\"\\1995\"\r\n");
    EXPECT_EQ(stamp(11), "261210");
    EXPECT_TRUE(stamp(10).isEmpty());
}

TEST_F(TagRuns, PbKindRunWritesTheLongFormNamedAfterTheTagType)
{
    dialogs.answer(MsgResult::Ok);
    const TagKindRow pb{"1", "5", "1", "7", "2", ""};
    EXPECT_EQ(TagIssue::issueKind(*db, dialogs, settings, TagFlag::Pb, pb).status, TagRunOutcome::Done);
    QByteArray expected = kFirst14 + ",2,\"IT-9\",\"S\"";
    expected.replace("\x93\xfa\x96\x7b", "SUNLIT STYLE FLOOR");   // division 102 has no name
    for (int i = 2; i <= 12; ++i)
        expected += ",\"\"";
    expected += ",\"\x96\xc8\x31\x30\x30\x25\"";
    for (int i = 2; i <= 13; ++i)
        expected += ",\"\"";
    expected += ",\"\",\"\x93\xfa\x96\x7b\",\"\\1995\",\"7\"\r\n";
    EXPECT_EQ(file("7.CSV"), expected);
    EXPECT_EQ(stamp(20), "261210");
    EXPECT_TRUE(stamp(21).isEmpty());   // no PB master row, not a type-7 tag
}

TEST_F(TagRuns, NothingHappensWithoutATagNameOrWhenDeclined)
{
    TagKindRow unnamed{"1", "5", "1", "", "1", ""};
    EXPECT_EQ(TagIssue::issueKind(*db, dialogs, settings, TagFlag::Pb, unnamed).status, TagRunOutcome::NothingDone);
    EXPECT_EQ(TagIssue::issueLine(*db, dialogs, settings, TagFlag::Pb, unnamed, "21", "1").status,
              TagRunOutcome::NothingDone);
    EXPECT_EQ(dialogs.texts(), (QStringList{kNoTagName, kNoTagName}));

    ScriptedDialogs declining;
    declining.answer(MsgResult::Cancel);
    EXPECT_EQ(TagIssue::issueKind(*db, declining, settings, TagFlag::Ordinary, ordinary).status,
              TagRunOutcome::NothingDone);
    EXPECT_FALSE(QFileInfo::exists(folder.file("TAG_CSV/12.CSV")));
    EXPECT_TRUE(stamp(10).isEmpty());
}

// What each export result shows; only a written file with the program
// started stamps anything.
TEST_F(TagRuns, EveryResultHasItsMessage)
{
    struct Case {
        const char *name;
        TagKindRow row;
        QString line;           // INDEXNOBD of the one-line run
        QString program;
        QString kindMessage;
        QString lineMessage;
        TagRunOutcome::Status status;
    };
    TagFixture::line(*db, {2, 30, "3", "2", "000010", kNull});
    TagFixture::line(*db, {2, 40, "4", "2", "000010", kNull, "000001", "101", "01", "00019X0"});
    const QString noRows = QStringLiteral("出力する明細が存在しませんでした。");
    const QString badSetting = QStringLiteral("内部設定(conf.dat)の設定が間違っています。管理者に連絡してください。");
    const Case cases[] = {
        {"no rows", {"1", "9", "2", "T", "1", ""}, "999", program.program(), noRows, noRows, TagRunOutcome::NothingDone},
        {"label program missing", {"2", "3", "2", "T", "1", ""}, "30", folder.file("no-such-program"), badSetting,
         badSetting, TagRunOutcome::Failed},
        {"price not a number", {"2", "4", "2", "T", "1", ""}, "40", program.program(),
         QStringLiteral("原因不明のエラーです\nエラーNo = 13\n上記の番号を管理者に伝えて下さい。"),
         QStringLiteral("原因不明のエラーです\nエラーNo = 13 RET=13\n上記の番号を管理者に伝えて下さい。"),
         TagRunOutcome::Failed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        settings.labelProgram = c.program;
        ScriptedDialogs k;
        k.answer(MsgResult::Ok);
        const TagRunOutcome kind = TagIssue::issueKind(*db, k, settings, TagFlag::Ordinary, c.row);
        EXPECT_EQ(kind.status, c.status);
        EXPECT_EQ(k.texts().value(1), c.kindMessage);
        EXPECT_TRUE(kind.stamped.isEmpty());

        ScriptedDialogs l;
        l.answer(MsgResult::Ok).answerInput(QString("1"));
        EXPECT_EQ(TagIssue::issueLine(*db, l, settings, TagFlag::Ordinary, c.row, c.line, "1").status, c.status);
        EXPECT_EQ(l.texts().value(2), c.lineMessage);
    }
    EXPECT_TRUE(stamp(30).isEmpty());
    EXPECT_TRUE(stamp(40).isEmpty());
}

TEST_F(TagRuns, LineRunTakesTheCountFromTheBox)
{
    struct Case {
        const char *name;
        std::optional<QString> answer;
        QString message;   // empty: written
    };
    const Case cases[] = {
        {"cancel", std::nullopt, QStringLiteral("数値以外の文字が入力されました。")},
        {"not a number", QString("x"), QStringLiteral("数値以外の文字が入力されました。")},
        {"zero", QString("0"), QStringLiteral("1未満の数字が入力されました。")},
        {"negative", QString("-3"), QStringLiteral("1未満の数字が入力されました。")},
        {"five", QString("5"), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialogs d;
        d.answer(MsgResult::Ok).answerInput(c.answer);
        const TagRunOutcome o = TagIssue::issueLine(*db, d, settings, TagFlag::Ordinary, ordinary, "10", "3");
        EXPECT_EQ(d.shown().value(0).text, QStringLiteral("明細印字作業を行います。\n値札A をプリンタにセットしてください。"));
        EXPECT_EQ(d.shown().value(1).title, QStringLiteral("印字枚数変更指定"));
        if (c.message.isEmpty()) {
            EXPECT_EQ(o.status, TagRunOutcome::Done);
            // The run says what it wrote: one line, into this file.
            EXPECT_EQ(d.texts().size(), 3);
            EXPECT_EQ(d.texts().value(2), QStringLiteral("印字データを出力しました。\n出力した明細: 1 行\n出力ファイル: ")
                                              + folder.file("TAG_CSV/12.CSV"));
            EXPECT_EQ(d.shown().value(2).icon, MsgIcon::Information);
        } else {
            EXPECT_EQ(o.status, TagRunOutcome::NothingDone);
            EXPECT_EQ(d.texts().value(2), c.message);
            EXPECT_FALSE(QFileInfo::exists(folder.file("TAG_CSV/12.CSV")));
            EXPECT_TRUE(stamp(10).isEmpty());
        }
    }
    // The count replaces the tags in the file only; the line keeps its quantity.
    EXPECT_EQ(file("12.CSV"), kFirst14 + ",5,\"\\1995\"\r\n");
    EXPECT_EQ(stamp(10), "261210");
    EXPECT_EQ(db->scalar("Select ONSURY From TBL_RD_BD Where INDEXNOBD=10").toString(), "000030");
}

TEST_F(TagRuns, LinesOfAKind)
{
    auto lines = [&](const QString &flag, const TagKindRow &row) {
        QStringList out;
        Recordset rs = db->query(TagIssue::lineListSql(flag, row));
        for (; !rs.eof(); rs.moveNext())
            out << rs.text(1) + ":" + rs.text(8);
        return out;
    };
    TagKindRow written = ordinary;
    written.note = QStringLiteral("出力済み");
    EXPECT_EQ(lines(TagFlag::Ordinary, ordinary), (QStringList{"10:3", "12:4"}));
    EXPECT_EQ(lines(TagFlag::Ordinary, written), QStringList{"11:2"});
    EXPECT_EQ(lines(TagFlag::Pb, TagKindRow{"1", "5", "1", "7", "2", ""}), QStringList{"20:2"});
    // Lines without a PB master row are listed whatever their output date.
    EXPECT_EQ(lines(TagFlag::Pb, TagKindRow{"1", "5", "1", "", "1", ""}), QStringList{"21:1"});
    // A quote in a cell stays text.
    EXPECT_TRUE(lines(TagFlag::Ordinary, TagKindRow{"1", "1' or '1'='1", "2", "x", "", ""}).isEmpty());
}

TEST_F(TagRuns, KindOfALineForTheBatchMode)
{
    const auto ord = TagIssue::kindOfLine(*db, "12");
    ASSERT_TRUE(ord);
    EXPECT_EQ(ord->flag, TagFlag::Ordinary);
    EXPECT_EQ(ord->row.name, QStringLiteral("値札A"));
    EXPECT_EQ(ord->row.kind + ord->row.code, "12");
    EXPECT_EQ(ord->count, "4");
    const auto pb = TagIssue::kindOfLine(*db, "20");
    ASSERT_TRUE(pb);
    EXPECT_EQ(pb->flag, TagFlag::Pb);
    EXPECT_EQ(pb->row.name, "7");
    EXPECT_TRUE(TagIssue::kindOfLine(*db, "21")->row.name.isEmpty());
    EXPECT_FALSE(TagIssue::kindOfLine(*db, "999"));
}

} // namespace
