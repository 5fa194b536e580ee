// The PB tag master merge and the delivery-destination master replacement.

#include "ImportTestSupport.h"
#include "import/MasterImport.h"
#include "store/Cp932.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

namespace {

QString u(const char16_t *s)
{
    return QString::fromUtf16(s);
}

// One line of a PB file: the key, the tag texts, and the rest filled in.
QString pbLine(const QString &key, const QString &size, const QString &material, const QString &country = u(u"日本"))
{
    // key is "houjin,jigyoubu,gunban,sku"
    const QStringList k = key.split(',');
    return QStringList{k[0], k[1], k[2], "0123", k[3], "2", "P01", "G-1", "004455", "20251231",
                       size, material, country, "20250101", "20250201", "0", "X"}
        .join(',');
}

QByteArray csv(const QStringList &lines)
{
    return cp932::encode(lines.join("\r\n") + "\r\n");
}

const QString PbKeyOrder = "Order By HOUJIN_CD,JIGYOUBU_CD,GUNBAN_CD,SKU_CD";

class PbImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        path = folder.file("pb.csv");
    }

    int importBytes(const QByteArray &content, ScriptedDialogs &dialogs)
    {
        writeFile(path, content);
        PbMasterImport op(*db, dialogs, progress);
        const int result = op.run(path);
        dropped = op.droppedDuplicates();
        records = op.records();
        return result;
    }

    int importBytes(const QByteArray &content)
    {
        ScriptedDialogs quiet;
        const int result = importBytes(content, quiet);
        EXPECT_TRUE(quiet.shown().isEmpty()) << quiet.texts().join('\n').toStdString();
        return result;
    }

    QString master()
    {
        return dump(*db, "Select HOUJIN_CD,JIGYOUBU_CD,GUNBAN_CD,SKU_CD,INJINAIYOU_SIZE,INJINAIYOU_SOZAI From MST_PB "
                             + PbKeyOrder);
    }

    TempDataFolder folder;
    Database *db = nullptr;
    TestProgress progress;
    QString path;
    qint64 dropped = 0;
    qint64 records = 0;
};

TEST_F(PbImportTest, ReimportReplacesItsKeysAndLeavesTheOthers)
{
    ASSERT_EQ(importBytes(csv({pbLine("0,101,12,1001", "S", u(u"綿100%")),
                               pbLine("0,101,12,1002", "M", u(u"綿100%")),
                               pbLine("0,101,13,1002", "L", u(u"麻"))})),
              0);
    ASSERT_EQ(importBytes(csv({pbLine("0,101,12,1002", "XL", u(u"ポリエステル")),
                               pbLine("0,102,12,1002", "F", u(u"毛"))})),
              0);
    EXPECT_EQ(master(), u(u"0|101|12|1001|S|綿100%\n"
                          "0|101|12|1002|XL|ポリエステル\n"
                          "0|101|13|1002|L|麻\n"
                          "0|102|12|1002|F|毛"));
    EXPECT_EQ(progress.labels.last(), u(u"PBタグマスタをインポートしています。"));
}

TEST_F(PbImportTest, StoresEverySixteenValuesInTheirColumnsAndTypes)
{
    const QString line = u(u" 0 ,\"101\",  12 ,\"0123\",00420,2,P01,\"G-1, 改\",004455,20251231,\"Ｍ\",\"綿80%,麻20%\","
                           u"中国,20250101,20250201,0,ignored");
    ASSERT_EQ(importBytes(cp932::encode(line)), 0);
    // The embedded engine keeps the type of the bound value, the server
    // the type of the column.
    if (testsOnServer())
        EXPECT_EQ(dump(*db, "Select pg_typeof(HOUJIN_CD)::text,pg_typeof(SKU_CD)::text,pg_typeof(TAG_SYURUI)::text,"
                            "pg_typeof(ITEM_CD)::text From MST_PB"),
                  "bigint|bigint|bigint|text");
    else
        EXPECT_EQ(dump(*db, "Select typeof(HOUJIN_CD),typeof(SKU_CD),typeof(TAG_SYURUI),typeof(ITEM_CD) From MST_PB"),
                  "integer|integer|integer|text");
    EXPECT_EQ(dump(*db, "Select * From MST_PB"),
              u(u"0|101|12|0123|420|2|P01|G-1, 改|004455|20251231|Ｍ|綿80%,麻20%|中国|20250101|20250201|0"));
}

TEST_F(PbImportTest, SixteenValuesPerLineGoOutOfStep)
{
    // Seventeen lines of sixteen values: value k of line L is L * 100 + k.
    QStringList lines;
    for (int l = 0; l < 17; ++l) {
        QStringList v;
        for (int k = 1; k <= 16; ++k)
            v << QString::number(l * 100 + k);
        lines << v.join(',');
    }
    ASSERT_EQ(importBytes(csv(lines)), 0);
    EXPECT_EQ(records, 16);
    // The seventeenth value of each record is the first of the next line,
    // so every record starts one value later than the one before.
    EXPECT_EQ(dump(*db, "Select HOUJIN_CD,JIGYOUBU_CD,NEHUDA_HUYOU_KUBUN From IMP_PB Order By REC_NO Limit 3"),
              "1|2|16\n102|103|201\n203|204|302");
}

TEST_F(PbImportTest, DuplicateKeysInOneFileKeepTheLastRow)
{
    ASSERT_EQ(importBytes(csv({pbLine("0,101,12,1001", "S", "first"), pbLine("0,101,12,1002", "M", "only"),
                               pbLine("0,101,12,1001", "L", "last")})),
              0);
    EXPECT_EQ(master(), "0|101|12|1001|L|last\n0|101|12|1002|M|only");
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(dump(*db, "Select count(*) From IMP_PB"), "3");   // staging keeps the file as read
}

TEST_F(PbImportTest, EmptyFileChangesNoMasterRow)
{
    ASSERT_EQ(importBytes(csv({pbLine("0,101,12,1001", "S", "x")})), 0);
    const QString before = master();
    EXPECT_EQ(importBytes(QByteArray()), 0);
    EXPECT_EQ(master(), before);
    EXPECT_EQ(dump(*db, "Select count(*) From IMP_PB"), "0");
}

struct PbFailure {
    const char *name;
    QByteArray content;
    int error;
};

class PbFailures : public PbImportTest, public ::testing::WithParamInterface<PbFailure> {};

TEST_P(PbFailures, ShowTheErrorAndRollBack)
{
    ASSERT_EQ(importBytes(csv({pbLine("0,101,12,1001", "S", "x")})), 0);
    const QString before = snapshot(*db, {"MST_PB", "IMP_PB"});
    ScriptedDialogs errors;
    EXPECT_EQ(importBytes(GetParam().content, errors), GetParam().error);
    ASSERT_EQ(errors.shown().size(), 1);
    EXPECT_EQ(errors.shown()[0].title, u(u"エラー"));
    EXPECT_EQ(errors.shown()[0].icon, MsgIcon::Critical);
    EXPECT_EQ(snapshot(*db, {"MST_PB", "IMP_PB"}), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PbFailures,
    ::testing::Values(
        PbFailure{"key_not_a_number", csv({pbLine("0,101,12,1002", "M", "x"), pbLine("0,1O1,12,1003", "M", "x")}),
                  13},
        PbFailure{"key_beyond_32_bits", csv({pbLine("0,101,12,4294967296", "M", "x")}), 6},
        // Sixteen lines of sixteen values leave one value for a last record.
        PbFailure{"record_cut_by_the_end_of_the_file",
                  csv(QStringList(16, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16")), 62}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PbImportTest, StoppingRollsBack)
{
    ASSERT_EQ(importBytes(csv({pbLine("0,101,12,1001", "S", "x")})), 0);
    const QString before = snapshot(*db, {"MST_PB", "IMP_PB"});
    progress.stopAtQuestion = 2;
    EXPECT_EQ(importBytes(csv({pbLine("0,101,12,1001", "M", "y"), pbLine("0,101,12,1002", "M", "y"),
                               pbLine("0,101,12,1003", "M", "y")})),
              1);
    EXPECT_EQ(snapshot(*db, {"MST_PB", "IMP_PB"}), before);
}

// ------------------------------------------------------------ delivery destinations

class DestinationImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        path = folder.file("add.txt");
        db->execute("Insert Into MST_NOUADD(TOK_CD,NOU_CD,NOU_NAME,NOU_ADD) Values('004455','0001','old','old')");
        db->execute("Insert Into MST_NOUADD(TOK_CD,NOU_CD,NOU_NAME,NOU_ADD) Values('004455','0002','old','old')");
    }

    int importBytes(const QByteArray &content)
    {
        writeFile(path, content);
        DestinationMasterImport op(*db, progress);
        const int result = op.run(path);
        dropped = op.droppedDuplicates();
        return result;
    }

    QString master() { return dump(*db, "Select * From MST_NOUADD Order By TOK_CD,NOU_CD"); }

    TempDataFolder folder;
    Database *db = nullptr;
    TestProgress progress;
    QString path;
    qint64 dropped = 0;
};

TEST_F(DestinationImportTest, ReplacesTheMasterWhole)
{
    ASSERT_EQ(importBytes(csv({u(u"004455,0012,東日本センター,\"埼玉県川口市1-2, 3階\""),
                               u(u"\"004455\",\"0120\",西日本センター,大阪府大阪市")})),
              0);
    EXPECT_EQ(master(), u(u"004455|0012|東日本センター|埼玉県川口市1-2, 3階\n"
                          "004455|0120|西日本センター|大阪府大阪市"));
    EXPECT_EQ(progress.labels.last(), u(u"納品先マスタをインポートしています。"));
}

TEST_F(DestinationImportTest, EmptyFileLeavesTheMasterEmpty)
{
    EXPECT_EQ(importBytes(QByteArray()), 0);
    EXPECT_EQ(master(), "");
}

TEST_F(DestinationImportTest, RepeatedCodeKeepsTheLastRow)
{
    ASSERT_EQ(importBytes(csv({"004455,0012,A,old address", "004455,0013,B,x", "004455,0012,A,new address"})), 0);
    EXPECT_EQ(master(), "004455|0012|A|new address\n004455|0013|B|x");
    EXPECT_EQ(dropped, 1);
}

struct DestinationFailure {
    const char *name;
    std::function<void(const QString &path)> prepare;
    int error;
};

class DestinationFailures : public DestinationImportTest, public ::testing::WithParamInterface<DestinationFailure> {};

// The failure goes to the caller; the old master stays.
TEST_P(DestinationFailures, LeaveTheOldRows)
{
    const QString before = master();
    GetParam().prepare(path);
    DestinationMasterImport op(*db, progress);
    try {
        op.run(path);
        ADD_FAILURE() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), GetParam().error);
    }
    EXPECT_EQ(master(), before);
    EXPECT_EQ(db->transactionDepth(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DestinationFailures,
    ::testing::Values(DestinationFailure{"record_cut_by_the_end_of_the_file",
                                         [](const QString &p) { writeFile(p, "004455,0012,A,B\r\n004455,0013\r\n"); },
                                         62},
                      DestinationFailure{"missing_file", [](const QString &) {}, 53}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(DestinationImportTest, StoppingKeepsTheOldMaster)
{
    const QString before = master();
    progress.stopAtQuestion = 1;
    EXPECT_EQ(importBytes("004455,0012,A,B\r\n004455,0013,C,D\r\n"), 1);
    EXPECT_EQ(master(), before);
}

} // namespace
