// Tag data of a tag-issue request, checked byte for byte.

#include "support/TempDataFolder.h"
#include "tags/LabelProgramStandIn.h"
#include "tags/RequestTags.h"
#include "tags/TagReports.h"
#include "tags/TagFixture.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using TagFixture::Line;
const QVariant kNull;
const QByteArray kFirst14 = "\"123\",\"ART-1\",\"01\",\"12\",\"\\1900\",\"654321\",\"\xcc\xde\xd9\xb0\",\"M\","
                            "\"123-01-000001\",\"212301000001\",\"10\",\"1001900\",\"\x90\x61\x8e\x6d\",\"\x93\xfa\x96\x7b\"";

// Request 9: ordinary kind 1/2 (line 10, already written once) and PB kind
// 5/1 of type 7 (line 20). Request 10: PB lines the PB master does not know,
// of kind 5/1 and of the chain's PB kind 4.
class RequestTagData : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        TagFixture::masters(*db);
        TagFixture::line(*db, {1, 10, "1", "2", "000100", "261201"});
        TagFixture::line(*db, {1, 20, "5", "1", "000340", kNull});
        TagFixture::line(*db, {1, 30, "5", "1", "000010", kNull, "000002"});
        TagFixture::line(*db, {1, 31, "4", "1", "000010", kNull, "000002"});
        TagFixture::line(*db, {1, 40, "1", "2", "000010", kNull});
        for (const auto &[h2, request] : {std::pair{10, "9"}, {20, "9"}, {30, "10"}, {31, "10"}, {40, "0"}})
            db->execute("Update TBL_RD_H2 Set SEIKYU_FLG=? Where INDEXNOH2=?", {QString(request), h2});
        settings.appFolder = folder.path();
        settings.writePath = folder.file("out");
        settings.labelProgram = program.program();
    }
    QString stamp(int bd) { return db->scalar("Select TAG_OP_DATE From TBL_RD_BD Where INDEXNOBD=?", {bd}).toString(); }

    TempDataFolder folder;
    Database *db = nullptr;
    TagSettings settings;
    LabelProgramStandIn program{folder.file("bin")};
};

TEST_F(RequestTagData, OneFilePerOrdinaryKindAndPerPbType)
{
    ScriptedDialogs dialogs;
    const RequestTagsOutcome o = RequestTags::writeRequestTags(*db, dialogs, settings, "9");
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('\n').toStdString();
    const QString folder9 = folder.file("out/InPrintData/9");
    EXPECT_EQ(o.files, (QStringList{folder9 + "/12.CSV", folder9 + "/7.CSV"}));
    EXPECT_EQ(o.lines, 2);
    EXPECT_EQ(TagReports::requestTags("9", o),
              QStringLiteral("終了しました\n依頼No 9: 印字データ 2 ファイル、明細 2 行を出力しました（フォルダ: ") + folder9
                  + QStringLiteral("）。"));

    QByteArray ordinary = kFirst14 + ",11";   // 10 tags and 3 % spare
    for (int i = 16; i <= 43; ++i)
        ordinary += ",\"\"";
    ordinary += ",\"\\1995\",\"12\"\r\n";
    EXPECT_EQ(readBytes(folder9 + "/12.CSV"), ordinary);

    QByteArray pb = kFirst14 + ",35,\"IT-9\",\"S\"";   // 34 tags and 3 % spare
    for (int i = 2; i <= 12; ++i)
        pb += ",\"\"";
    pb += ",\"\x96\xc8\x31\x30\x30\x25\"";
    for (int i = 2; i <= 13; ++i)
        pb += ",\"\"";
    pb += ",\"\",\"\x93\xfa\x96\x7b\",\"\\1995\",\"7\"\r\n";
    EXPECT_EQ(readBytes(folder9 + "/7.CSV"), pb);

    // Written again whatever their date, stamped with today; no label program.
    EXPECT_EQ(stamp(10), "261210");
    EXPECT_EQ(stamp(20), "261210");
    EXPECT_TRUE(stamp(40).isEmpty());
    QThread::msleep(200);
    EXPECT_FALSE(program.started());
}

TEST_F(RequestTagData, NothingToWriteWarnsOncePerKindAndStampsNothing)
{
    ScriptedDialogs dialogs;
    const RequestTagsOutcome o = RequestTags::writeRequestTags(*db, dialogs, settings, "10");
    EXPECT_TRUE(o.files.isEmpty());
    EXPECT_EQ(dialogs.texts(), (QStringList{QStringLiteral("出力する明細が存在しませんでした。"),
                                            QStringLiteral("出力する明細が存在しませんでした。")}));
    EXPECT_EQ(dialogs.shown().value(0).title, QStringLiteral("確認"));
    EXPECT_TRUE(stamp(30).isEmpty());
    EXPECT_TRUE(stamp(31).isEmpty());
    EXPECT_EQ(TagReports::requestTags("10", o),
              QStringLiteral("終了しました\n依頼No 10: 書き出す値札の明細がないため、印字データは出力されませんでした。"));
}

// A PB record of the fixture's line with SKU 00000<sku>: `count` tags,
// item code `item`, size "L", no material and no origin, file `type`.
QByteArray pbRecord(char sku, const QByteArray &count, const QByteArray &item, const QByteArray &type)
{
    QByteArray r = "\"123\",\"ART-1\",\"01\",\"12\",\"\\1900\",\"654321\",\"\xcc\xde\xd9\xb0\",\"M\","
                   "\"123-01-00000" + QByteArray(1, sku) + "\",\"21230100000" + QByteArray(1, sku)
        + "\",\"10\",\"1001900\",\"\x90\x61\x8e\x6d\",\"\x93\xfa\x96\x7b\"," + count + ",\"" + item + "\",\"L\"";
    for (int i = 2; i <= 12 + 13; ++i)
        r += ",\"\"";
    return r + ",\"\",\"\",\"\\1995\",\"" + type + "\"\r\n";
}

// Request 11: the chain's PB kind 4 with codes 1 and 2. SKU 2 is of PB tag
// type 1 and SKU 3 of type 2 in the PB master.
class RequestPbTypes : public RequestTagData {
protected:
    void SetUp() override
    {
        RequestTagData::SetUp();
        for (const auto &[sku, type] : {std::pair{2, 1}, {3, 2}, {4, 12}})
            SlipRows::insert(*db, "MST_PB", {{"HOUJIN_CD", 0}, {"JIGYOUBU_CD", 101}, {"GUNBAN_CD", 123}, {"SKU_CD", sku},
                                             {"TAG_SYURUI", type}, {"ITEM_CD", QString("IT-%1").arg(type)},
                                             {"INJINAIYOU_SIZE", "L"}});
    }
    void onRequest(int bd, const char *request)
    {
        db->execute("Update TBL_RD_H2 Set SEIKYU_FLG=? Where INDEXNOH2=?", {QString(request), bd});
    }
};

TEST_F(RequestPbTypes, KindsSharingATypeShareItsFile)
{
    TagFixture::line(*db, {1, 50, "4", "1", "000040", kNull, "000002"});
    TagFixture::line(*db, {1, 51, "4", "2", "000100", "261201", "000002"});
    TagFixture::line(*db, {1, 52, "4", "1", "000010", kNull, "000003"});
    for (const int bd : {50, 51, 52})
        onRequest(bd, "11");

    ScriptedDialogs dialogs;
    const RequestTagsOutcome o = RequestTags::writeRequestTags(*db, dialogs, settings, "11");
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('\n').toStdString();
    const QString folder11 = folder.file("out/InPrintData/11");
    EXPECT_EQ(o.files, (QStringList{folder11 + "/1.CSV", folder11 + "/2.CSV"}));
    // 4 tags and 3 % spare make 5 (2 % would leave 4); 10 make 11.
    EXPECT_EQ(readBytes(folder11 + "/1.CSV"), pbRecord('2', "5", "IT-1", "1") + pbRecord('2', "11", "IT-1", "1"));
    EXPECT_EQ(readBytes(folder11 + "/2.CSV"), pbRecord('3', "1", "IT-2", "2"));
    for (const int bd : {50, 51, 52})
        EXPECT_EQ(stamp(bd), "261210") << bd;
}

// Ordinary kind 1 and code 2 and PB tag type 12 both make "12.CSV": the
// first keeps the file, the second is refused and its line stays unstamped.
TEST_F(RequestPbTypes, NoLineStampedWhoseFileAnotherRunReplaced)
{
    TagFixture::line(*db, {1, 60, "1", "2", "000100", kNull});
    TagFixture::line(*db, {1, 61, "4", "1", "000010", kNull, "000004"});
    for (const int bd : {60, 61})
        onRequest(bd, "12");

    ScriptedDialogs dialogs;
    const RequestTagsOutcome o = RequestTags::writeRequestTags(*db, dialogs, settings, "12");
    const QString file = folder.file("out/InPrintData/12") + "/12.CSV";
    EXPECT_EQ(o.files, QStringList{file});
    EXPECT_EQ(o.failures, 1);
    EXPECT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown().value(0).title, QStringLiteral("エラー"));
    QByteArray ordinary = kFirst14 + ",11";
    for (int i = 16; i <= 43; ++i)
        ordinary += ",\"\"";
    EXPECT_EQ(readBytes(file), ordinary + ",\"\\1995\",\"12\"\r\n");
    EXPECT_EQ(stamp(60), "261210");
    EXPECT_TRUE(stamp(61).isEmpty());
}

// The request flow names its files from the order file's tag kind and
// code as they stand: a stream (":"), dots and wildcards make names that are
// fit on both systems, while the records keep the name as given.
TEST_F(RequestTagData, FileNamesFromOrderFieldsAreMadeFit)
{
    struct Case {
        int h2;
        const char *kind, *code, *file;
    };
    const Case cases[] = {{50, "1", ":", "1_.CSV"}, {51, ".", ".", "...CSV"}, {52, "*", "?", "__.CSV"}};
    for (const Case &c : cases) {
        TagFixture::line(*db, {1, c.h2, c.kind, c.code, "000010", kNull});
        db->execute("Update TBL_RD_H2 Set SEIKYU_FLG='11' Where INDEXNOH2=?", {c.h2});
    }
    ScriptedDialogs dialogs;
    const RequestTagsOutcome o = RequestTags::writeRequestTags(*db, dialogs, settings, "11");
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('\n').toStdString();
    const QString folder11 = folder.file("out/InPrintData/11");
    QStringList files = QDir(folder11).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    EXPECT_EQ(files, (QStringList{"...CSV", "1_.CSV", "__.CSV"}));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_TRUE(o.files.contains(folder11 + "/" + c.file)) << o.files.join(' ').toStdString();
        const QByteArray name = QByteArray(",\"") + c.kind + c.code + "\"\r\n";
        EXPECT_TRUE(readBytes(folder11 + "/" + c.file).endsWith(name)) << readBytes(folder11 + "/" + c.file).toStdString();
        EXPECT_EQ(stamp(c.h2), "261210");
    }
}

// Two kinds whose names are made the same file: the second is refused,
// not written over the first, and its lines stay unstamped.
TEST_F(RequestTagData, KindsMadeTheSameFileNameDoNotReplaceEachOther)
{
    TagFixture::line(*db, {1, 50, "1", ":", "000010", kNull});
    TagFixture::line(*db, {1, 51, "1", "_", "000020", kNull});
    for (const int h2 : {50, 51})
        db->execute("Update TBL_RD_H2 Set SEIKYU_FLG='11' Where INDEXNOH2=?", {h2});
    ScriptedDialogs dialogs;
    const RequestTagsOutcome o = RequestTags::writeRequestTags(*db, dialogs, settings, "11");
    const QString folder11 = folder.file("out/InPrintData/11");
    EXPECT_EQ(o.files, QStringList{folder11 + "/1_.CSV"});
    EXPECT_TRUE(readBytes(folder11 + "/1_.CSV").endsWith(",\"1:\"\r\n"));
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts()[0].startsWith("1_.CSV")) << dialogs.texts()[0].toStdString();
    EXPECT_EQ(stamp(50), "261210");
    EXPECT_TRUE(stamp(51).isEmpty());
}

TEST_F(RequestTagData, RequestsListedByTheirNumberAsText)
{
    QStringList requests;
    Recordset rs = db->query(RequestTags::requestListSql());
    for (; !rs.eof(); rs.moveNext())
        requests << rs.text(0);
    EXPECT_EQ(requests, (QStringList{"9", "10"}));   // "0" is no request
}

} // namespace
