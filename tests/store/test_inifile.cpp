#include "store/clsIniFile.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace {

// A table row shows as its name in test listings and failures.
template <typename Row>
    requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

// Code page 932 bytes of a few texts, spelled out so that the tests do not
// trust the codec they exercise.
const QByteArray kAddress = QByteArray::fromHex("938c8b9e937390e791e393638be68740878ab6c0b6c5"); // 東京都千代田区①㈱ｶﾀｶﾅ
const QByteArray kShutsuryoku = QByteArray::fromHex("8f6f97cd");                              // 出力
const QByteArray kDenPrinter = QByteArray::fromHex("9360955b8376838a8393835e");              // 伝票プリンタ (票 ends in '[')
const QByteArray kSoft = QByteArray::fromHex("835c83748367");                                // ソフト (ソ ends in '\')

class IniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString path(const QString &name = QStringLiteral("Conf.ini")) const { return dir.filePath(name); }

    void writeBytes(const QByteArray &bytes, const QString &name = QStringLiteral("Conf.ini")) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray readBytes(const QString &name = QStringLiteral("Conf.ini")) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    clsIniFile ini(const QString &section, const QString &name = QStringLiteral("Conf.ini")) const
    {
        clsIniFile f;
        f.setFileName(path(name));
        f.setSection(section);
        return f;
    }
};

TEST_F(IniFileTest, StartsWithEmptyFileNameAndSection)
{
    clsIniFile f;
    EXPECT_EQ(f.FileName(), QString());
    EXPECT_EQ(f.Section(), QString());
    f.setFileName(QStringLiteral("/x/Gyoum.ini"));
    f.setSection(QStringLiteral("GYOUMU_SETTEI"));
    EXPECT_EQ(f.FileName(), QStringLiteral("/x/Gyoum.ini"));
    EXPECT_EQ(f.Section(), QStringLiteral("GYOUMU_SETTEI"));
}

// --- reading ---------------------------------------------------------------

struct GetStringCase {
    const char *name;
    const char *section;
    const char *key;
    const char *defaultValue;
    QString expected;
};

class GetStringTest : public IniFileTest, public ::testing::WithParamInterface<GetStringCase>
{
};

TEST_P(GetStringTest, ReadsValueOrDefault)
{
    writeBytes(QByteArray("ORPHAN=before any section\r\n"
                          "; business settings\r\n"
                          "[GYOUMU_SETTEI]\r\n"
                          "  TORIHIKISAKI_CD = 123456 \r\n"
                          "SHIME_BI=\r\n"
                          "SHIME_BI=25\r\n"
                          "BLANKS=\t  \r\n"
                          "ADDR=")
               + kAddress + "\r\n"
               + "SOFT=" + kSoft + "\\\r\n"
               + "ZENKAKU=" + QByteArray::fromHex("81408e529363") + "\r\n" // 　山田, full-width space first
               + "BTD_PATH=\"C:\\Program Files\\BarTender\\bartend.exe\"\r\n"
                 "ONEQUOTE=\"abc\r\n"
                 "MIXED='abc\"\r\n"
                 "EQUALS=a=b\r\n"
                 "NOEQUALS\r\n"
                 ";ZEIRITSU=8\r\n"
                 "\r\n"
                 "[Other]\r\n"
                 "SHIME_BI=15\r\n"
                 "[gyoumu_settei]\r\n"
                 "ZEIRITSU=10\r\n"
                 "[]\r\n"
                 "ORPHAN=in unnamed section");
    const GetStringCase &c = GetParam();
    const clsIniFile f = ini(QString::fromUtf8(c.section));
    EXPECT_EQ(f.GetString(QString::fromUtf8(c.key), QString::fromUtf8(c.defaultValue)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetStringTest,
    ::testing::Values(
        GetStringCase{"EmptyValueGivesDefault", "GYOUMU_SETTEI", "SHIME_BI", "20", QStringLiteral("20")},
        GetStringCase{"BlanksOnlyGiveDefault", "GYOUMU_SETTEI", "BLANKS", "x", QStringLiteral("x")},
        GetStringCase{"KeyAndValueTrimmed", "GYOUMU_SETTEI", "TORIHIKISAKI_CD", "", QStringLiteral("123456")},
        GetStringCase{"NamesWithoutCase", "gyoumu_settei", "torihikisaki_cd", "", QStringLiteral("123456")},
        GetStringCase{"DoubleByteValueWhole", "GYOUMU_SETTEI", "ADDR", "",
                      QStringLiteral("東京都千代田区①㈱ｶﾀｶﾅ")},
        GetStringCase{"TrailByteBackslash", "GYOUMU_SETTEI", "SOFT", "", QStringLiteral("ソフト\\")},
        GetStringCase{"FullWidthSpaceKept", "GYOUMU_SETTEI", "ZENKAKU", "", QStringLiteral("　山田")},
        GetStringCase{"QuotesDropped", "GYOUMU_SETTEI", "BTD_PATH", "",
                      QStringLiteral("C:\\Program Files\\BarTender\\bartend.exe")},
        GetStringCase{"LoneQuoteKept", "GYOUMU_SETTEI", "ONEQUOTE", "", QStringLiteral("\"abc")},
        GetStringCase{"UnmatchedQuotesKept", "GYOUMU_SETTEI", "MIXED", "", QStringLiteral("'abc\"")},
        GetStringCase{"SplitAtFirstEquals", "GYOUMU_SETTEI", "EQUALS", "", QStringLiteral("a=b")},
        GetStringCase{"LineWithoutEqualsIsNoKey", "GYOUMU_SETTEI", "NOEQUALS", "d", QStringLiteral("d")},
        GetStringCase{"CommentIsNoKey", "GYOUMU_SETTEI", "ZEIRITSU", "5", QStringLiteral("5")},
        GetStringCase{"OtherSectionsOwnValue", "Other", "SHIME_BI", "", QStringLiteral("15")},
        GetStringCase{"KeyBeforeSectionsBelongsToNone", "", "ORPHAN", "d", QStringLiteral("d")},
        GetStringCase{"MissingKey", "GYOUMU_SETTEI", "HaDATA_SAVE", "3", QStringLiteral("3")},
        GetStringCase{"MissingSection", "Env", "MenuSelect", "MST_MENU", QStringLiteral("MST_MENU")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(IniFileTest, FirstOfRepeatedKeyOrSectionCounts)
{
    writeBytes("[A]\r\nK=1\r\nk=2\r\n[B]\r\n[a]\r\nK=3\r\nL=4\r\n");
    const clsIniFile f = ini(QStringLiteral("A"));
    EXPECT_EQ(f.GetString(QStringLiteral("K"), QString()), QStringLiteral("1"));
    EXPECT_EQ(f.GetString(QStringLiteral("L"), QStringLiteral("none")), QStringLiteral("none"));
}

TEST_F(IniFileTest, ReadsLfAndLastLineWithoutLineEnd)
{
    writeBytes("[IpOpFile]\nRead_Path=/home/op/in\nWrite_Path=/home/op/out");
    const clsIniFile f = ini(QStringLiteral("IpOpFile"));
    EXPECT_EQ(f.GetString(QStringLiteral("Read_Path"), QString()), QStringLiteral("/home/op/in"));
    EXPECT_EQ(f.GetString(QStringLiteral("Write_Path"), QString()), QStringLiteral("/home/op/out"));
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndEnumeratesNothing)
{
    clsIniFile f = ini(QStringLiteral("IpOpFile"), QStringLiteral("none.ini"));
    QStringList list{QStringLiteral("stale")};
    EXPECT_EQ(f.GetString(QStringLiteral("Read_Path"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(f.GetInteger(QStringLiteral("HaDATA_SAVE"), 3), 3);
    EXPECT_EQ(f.EmnumSection(list), 0);
    EXPECT_EQ(list, QStringList());
    list = QStringList{QStringLiteral("stale")};
    EXPECT_EQ(f.EnumSectionString(list), 0);
    EXPECT_EQ(list, QStringList());
    f.DeleteKeyName(QStringLiteral("Read_Path"));
    QString section;
    f.DeleteSection(section);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("none.ini"))));
}

struct GetIntegerCase {
    const char *name;
    QByteArray line; // the key line, or empty for a missing key
    qint32 defaultValue;
    qint32 expected;
};

class GetIntegerTest : public IniFileTest, public ::testing::WithParamInterface<GetIntegerCase>
{
};

TEST_P(GetIntegerTest, ReadsLeadingNumber)
{
    const GetIntegerCase &c = GetParam();
    writeBytes("[GYOUMU_SETTEI]\r\n" + c.line + "\r\nOTHER=1\r\n");
    EXPECT_EQ(ini(QStringLiteral("GYOUMU_SETTEI")).GetInteger(QStringLiteral("HaDATA_SAVE"), c.defaultValue),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetIntegerTest,
    ::testing::Values(GetIntegerCase{"Digits", "HaDATA_SAVE=12", 3, 12},
                      GetIntegerCase{"LeadingBlank", "HaDATA_SAVE= 7", 3, 7},
                      GetIntegerCase{"NotANumber", "HaDATA_SAVE=abc", 3, 0},
                      GetIntegerCase{"TrailingLetters", "HaDATA_SAVE=3x", 3, 3},
                      GetIntegerCase{"Decimal", "HaDATA_SAVE=1.5", 3, 1},
                      GetIntegerCase{"EmptyGivesDefault", "HaDATA_SAVE=", 3, 3},
                      GetIntegerCase{"Negative", "HaDATA_SAVE=-4", 3, -4},
                      GetIntegerCase{"Plus", "HaDATA_SAVE=+5", 3, 5},
                      GetIntegerCase{"SignOnly", "HaDATA_SAVE=-", 3, 0},
                      GetIntegerCase{"Quoted", "HaDATA_SAVE=\"8\"", 3, 8},
                      GetIntegerCase{"FullWidthDigitsAreNoNumber", "HaDATA_SAVE=\x82\x50\x82\x51", 3, 0},
                      GetIntegerCase{"TooLargeStopsAtMax", "HaDATA_SAVE=99999999999", 3, INT_MAX},
                      GetIntegerCase{"TooSmallStopsAtMin", "HaDATA_SAVE=-99999999999", 3, INT_MIN},
                      GetIntegerCase{"Missing", "", 6, 6},
                      GetIntegerCase{"CaseOfKey", "hadata_save=9", 3, 9},
                      // The old program cut its default to 16 bits; the
                      // whole default is kept here.
                      GetIntegerCase{"DefaultBeyond16Bits", "", 100000, 100000},
                      GetIntegerCase{"NegativeDefault", "", -1, -1}),
    [](const auto &info) { return std::string(info.param.name); });

// --- enumerations ----------------------------------------------------------

TEST_F(IniFileTest, EmnumSectionListsSectionsInFileOrder)
{
    writeBytes("[IpOpFile]\r\nRead_Path=C:\\in\r\n; printers below\r\n[Environment]\r\n"
               "Web-EDI URL=http://edi.example\r\n\r\n[Print_Env]\r\nDen_Printer=\r\n");
    QStringList sections{QStringLiteral("stale")};
    EXPECT_EQ(ini(QString()).EmnumSection(sections), 3);
    EXPECT_EQ(sections, (QStringList{QStringLiteral("IpOpFile"), QStringLiteral("Environment"),
                                     QStringLiteral("Print_Env")}));
}

TEST_F(IniFileTest, EmnumSectionNamesRepeatedSectionOnce)
{
    writeBytes("[ B ]\r\n[A]\r\n[b]\r\n[]\r\n[" + kDenPrinter + "]\r\n");
    QStringList sections;
    EXPECT_EQ(ini(QString()).EmnumSection(sections), 3);
    EXPECT_EQ(sections, (QStringList{QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("伝票プリンタ")}));
}

TEST_F(IniFileTest, EnumSectionStringGivesKeyLinesOfCurrentSection)
{
    writeBytes("[IpOpFile]\r\nRead_Path=C:\\in\r\n[Print_Env]\r\n; slips\r\nDen_Printer = " + kDenPrinter
               + "\r\n\r\nShina_Printer=\r\nnot a key\r\n[Env]\r\nMenuSelect=MST_MENU\r\n");
    QStringList lines{QStringLiteral("stale")};
    EXPECT_EQ(ini(QStringLiteral("print_env")).EnumSectionString(lines), 2);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Den_Printer=伝票プリンタ"), QStringLiteral("Shina_Printer=")}));
    EXPECT_EQ(ini(QStringLiteral("Missing")).EnumSectionString(lines), 0);
    EXPECT_EQ(lines, QStringList());
}

// --- deletions -------------------------------------------------------------

const QByteArray kConf = "; written by hand\r\n"
                         "[IpOpFile]\r\n"
                         "Read_Path=C:\\in\r\n"
                         "Write_Path=C:\\out\r\n"
                         "\r\n"
                         "[Environment]\r\n"
                         "Web-EDI URL=http://edi.example\r\n"
                         "\r\n"
                         "; printers\r\n"
                         "[Print_Env]\r\n"
                         "Den_Printer=LP1\r\n"
                         "Shina_Printer=LP2\r\n";

TEST_F(IniFileTest, DeleteSectionWithEmptyArgumentRemovesCurrentSection)
{
    writeBytes(kConf);
    clsIniFile f = ini(QStringLiteral("Print_Env"));
    QString section;
    f.DeleteSection(section);
    EXPECT_EQ(section, QStringLiteral("Print_Env"));
    EXPECT_EQ(readBytes(), QByteArray("; written by hand\r\n"
                                      "[IpOpFile]\r\n"
                                      "Read_Path=C:\\in\r\n"
                                      "Write_Path=C:\\out\r\n"
                                      "\r\n"
                                      "[Environment]\r\n"
                                      "Web-EDI URL=http://edi.example\r\n"
                                      "\r\n"
                                      "; printers\r\n"));
    QStringList sections;
    EXPECT_EQ(f.EmnumSection(sections), 2);
}

TEST_F(IniFileTest, DeleteSectionByNameKeepsCommentAboveNextSection)
{
    writeBytes(kConf + "[ENVIRONMENT]\r\nX=1\r\n");
    clsIniFile f = ini(QStringLiteral("IpOpFile"));
    QString section = QStringLiteral("environment");
    f.DeleteSection(section);
    EXPECT_EQ(section, QStringLiteral("environment"));
    EXPECT_EQ(f.Section(), QStringLiteral("IpOpFile"));
    EXPECT_EQ(readBytes(), QByteArray("; written by hand\r\n"
                                      "[IpOpFile]\r\n"
                                      "Read_Path=C:\\in\r\n"
                                      "Write_Path=C:\\out\r\n"
                                      "\r\n"
                                      "; printers\r\n"
                                      "[Print_Env]\r\n"
                                      "Den_Printer=LP1\r\n"
                                      "Shina_Printer=LP2\r\n"));
}

TEST_F(IniFileTest, DeleteKeyNameRemovesOnlyThatLine)
{
    writeBytes(kConf);
    clsIniFile f = ini(QStringLiteral("IPOPFILE"));
    f.DeleteKeyName(QStringLiteral("read_path"));
    EXPECT_EQ(readBytes(), QByteArray("; written by hand\r\n"
                                      "[IpOpFile]\r\n"
                                      "Write_Path=C:\\out\r\n"
                                      "\r\n"
                                      "[Environment]\r\n"
                                      "Web-EDI URL=http://edi.example\r\n"
                                      "\r\n"
                                      "; printers\r\n"
                                      "[Print_Env]\r\n"
                                      "Den_Printer=LP1\r\n"
                                      "Shina_Printer=LP2\r\n"));
    EXPECT_EQ(f.GetString(QStringLiteral("Read_Path"), QStringLiteral("gone")), QStringLiteral("gone"));
}

TEST_F(IniFileTest, DeleteKeyNameLeavesSameKeyOfOtherSections)
{
    writeBytes("[A]\nK=1\nK=2\n[B]\nK=3\n");
    clsIniFile f = ini(QStringLiteral("A"));
    f.DeleteKeyName(QStringLiteral("K"));
    EXPECT_EQ(readBytes(), QByteArray("[A]\n[B]\nK=3\n"));
}

// --- writing ---------------------------------------------------------------

TEST_F(IniFileTest, SetStringCreatesFileAsWindowsWritesIt)
{
    clsIniFile f = ini(QStringLiteral("IpOpFile"));
    EXPECT_TRUE(f.SetString(QStringLiteral("Read_Path"), QStringLiteral("D:\\受信")));
    EXPECT_TRUE(f.SetString(QStringLiteral("Write_Path"), QStringLiteral("D:\\出力")));
    f.setSection(QStringLiteral("Print_Env"));
    EXPECT_TRUE(f.SetString(QStringLiteral("Den_Printer"), QStringLiteral("伝票プリンタ")));
    EXPECT_TRUE(f.SetString(QStringLiteral("Shina_Printer"), QString()));
    f.setSection(QStringLiteral("ipopfile"));
    EXPECT_TRUE(f.SetString(QStringLiteral("READ_PATH"), QStringLiteral(" E:\\ ")));

    EXPECT_EQ(readBytes(), QByteArray("[IpOpFile]\r\n"
                                      "Read_Path= E:\\ \r\n"
                                      "Write_Path=D:\\")
                               + kShutsuryoku + "\r\n"
                               + "[Print_Env]\r\n"
                                 "Den_Printer="
                               + kDenPrinter + "\r\n"
                               + "Shina_Printer=\r\n");
    EXPECT_EQ(f.GetString(QStringLiteral("Read_Path"), QString()), QStringLiteral("E:\\"));
    f.setSection(QStringLiteral("Print_Env"));
    EXPECT_EQ(f.GetString(QStringLiteral("Den_Printer"), QString()), QStringLiteral("伝票プリンタ"));
}

struct PreserveCase {
    const char *name;
    QByteArray before;
    QByteArray after;
};

class SetStringPreservesTest : public IniFileTest, public ::testing::WithParamInterface<PreserveCase>
{
};

// Changes one key, adds a key to an existing section and adds a section;
// every other byte of the file must survive.
TEST_P(SetStringPreservesTest, KeepsEverythingElse)
{
    writeBytes(GetParam().before, QStringLiteral("Gyoum.ini"));
    clsIniFile f = ini(QStringLiteral("GYOUMU_SETTEI"), QStringLiteral("Gyoum.ini"));
    EXPECT_TRUE(f.SetString(QStringLiteral("zeiritsu"), QStringLiteral("8")));
    EXPECT_TRUE(f.SetString(QStringLiteral("SeDATA_SAVE"), QStringLiteral("12")));
    f.setSection(QStringLiteral("New"));
    EXPECT_TRUE(f.SetString(QStringLiteral("K"), QStringLiteral("東京都千代田区①㈱ｶﾀｶﾅ")));
    EXPECT_EQ(readBytes(QStringLiteral("Gyoum.ini")), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetStringPreservesTest,
    ::testing::Values(
        PreserveCase{"CrLf",
                     "; \x82\xa0 comment, with a stray byte \x80 kept as it is\r\n"
                     "\r\n"
                     "[GYOUMU_SETTEI]\r\n"
                     "TORIHIKISAKI_CD = 0012 \r\n"
                     "  ZEIRITSU = 5\r\n"
                     "HaDATA_SAVE=3\r\n"
                     "; retention of billing data is set below\r\n"
                     "\r\n"
                     "[Other]\r\n"
                     "x=\r\n",
                     QByteArray("; \x82\xa0 comment, with a stray byte \x80 kept as it is\r\n"
                                "\r\n"
                                "[GYOUMU_SETTEI]\r\n"
                                "TORIHIKISAKI_CD = 0012 \r\n"
                                "ZEIRITSU=8\r\n"
                                "HaDATA_SAVE=3\r\n"
                                "SeDATA_SAVE=12\r\n"
                                "; retention of billing data is set below\r\n"
                                "\r\n"
                                "[Other]\r\n"
                                "x=\r\n"
                                "[New]\r\n"
                                "K=")
                         + kAddress + "\r\n"},
        PreserveCase{"LfWithoutFinalLineEnd",
                     "[gyoumu_settei]\n"
                     "ZEIRITSU=5\n"
                     "[Other]\n"
                     "x=1",
                     QByteArray("[gyoumu_settei]\n"
                                "ZEIRITSU=8\n"
                                "SeDATA_SAVE=12\n"
                                "[Other]\n"
                                "x=1\n"
                                "[New]\n"
                                "K=")
                         + kAddress + "\n"},
        PreserveCase{"SectionIsLastLine",
                     "; only a comment\r\n"
                     "[GYOUMU_SETTEI]",
                     QByteArray("; only a comment\r\n"
                                "[GYOUMU_SETTEI]\r\n"
                                "zeiritsu=8\r\n"
                                "SeDATA_SAVE=12\r\n"
                                "[New]\r\n"
                                "K=")
                         + kAddress + "\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

struct RejectCase {
    const char *name;
    const char *section;
    QString key;
    QString value;
};

class SetStringRejectsTest : public IniFileTest, public ::testing::WithParamInterface<RejectCase>
{
};

// A key or value that would change the file's line structure is refused
// rather than written half-way into a neighbouring line.
TEST_P(SetStringRejectsTest, LeavesFileUnchanged)
{
    writeBytes(kConf);
    const RejectCase &c = GetParam();
    EXPECT_FALSE(ini(QString::fromUtf8(c.section)).SetString(c.key, c.value));
    EXPECT_EQ(readBytes(), kConf);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetStringRejectsTest,
    ::testing::Values(RejectCase{"LineBreakInValue", "IpOpFile", QStringLiteral("Read_Path"), QStringLiteral("a\r\n[X]")},
                      RejectCase{"LineBreakInKey", "IpOpFile", QStringLiteral("a\nb"), QStringLiteral("1")},
                      RejectCase{"EqualsInKey", "IpOpFile", QStringLiteral("a=b"), QStringLiteral("1")},
                      RejectCase{"EmptyKey", "IpOpFile", QStringLiteral("  "), QStringLiteral("1")},
                      RejectCase{"CommentKey", "IpOpFile", QStringLiteral(";a"), QStringLiteral("1")},
                      RejectCase{"EmptySection", "", QStringLiteral("Read_Path"), QStringLiteral("1")},
                      RejectCase{"BracketInSection", "a]b", QStringLiteral("Read_Path"), QStringLiteral("1")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(IniFileTest, SetStringIntoMissingFolderFails)
{
    clsIniFile f;
    f.setFileName(dir.filePath(QStringLiteral("no/such/Conf.ini")));
    f.setSection(QStringLiteral("IpOpFile"));
    EXPECT_FALSE(f.SetString(QStringLiteral("Read_Path"), QStringLiteral("x")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no"))));
}

TEST_F(IniFileTest, SetStringKeepsFilePermissions)
{
    writeBytes(kConf);
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                      | QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(path(), mode));
    EXPECT_TRUE(ini(QStringLiteral("IpOpFile")).SetString(QStringLiteral("Read_Path"), QStringLiteral("x")));
    EXPECT_EQ(QFile::permissions(path()), mode);
}

// Root (the usual user in a build container) writes into read-only folders.
// Dropping the permission-override capabilities from the effective set for
// the test's duration makes the folder's mode count again; they stay in the
// permitted set and come back on destruction.
class WithoutPermissionOverride
{
public:
    WithoutPermissionOverride()
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (syscall(SYS_capget, &header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, m_saved, sizeof reduced);
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        m_active = syscall(SYS_capset, &header, reduced) == 0;
    }
    ~WithoutPermissionOverride()
    {
        if (!m_active)
            return;
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        syscall(SYS_capset, &header, m_saved);
    }
    WithoutPermissionOverride(const WithoutPermissionOverride &) = delete;
    WithoutPermissionOverride &operator=(const WithoutPermissionOverride &) = delete;

private:
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

TEST_F(IniFileTest, SetStringIntoReadOnlyFolderFailsAndKeepsOldFile)
{
    const QString folder = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(folder));
    writeBytes(kConf, QStringLiteral("ro/Conf.ini"));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser
                          | QFileDevice::ExeUser | QFileDevice::ReadGroup | QFileDevice::ExeGroup;
    ASSERT_TRUE(QFile::setPermissions(folder, readOnly));

    bool result = true;
    bool folderWritable = false;
    {
        WithoutPermissionOverride guard;
        QFile probe(folder + QStringLiteral("/probe"));
        folderWritable = probe.open(QIODevice::WriteOnly);
        if (folderWritable)
            probe.remove();
        else
            result = ini(QStringLiteral("Environment"), QStringLiteral("ro/Conf.ini"))
                         .SetString(QStringLiteral("Web-EDI URL"), QStringLiteral("http://new.example"));
    }
    QFile::setPermissions(folder, readOnly | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    if (folderWritable)
        GTEST_SKIP() << "this user can write into read-only folders";

    EXPECT_FALSE(result);
    EXPECT_EQ(readBytes(QStringLiteral("ro/Conf.ini")), kConf);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Conf.ini")});
}

TEST_F(IniFileTest, SetStringOverUnreadableFileFails)
{
    // A folder where the file should be cannot be read as settings, and
    // must not be replaced by a file holding one key.
    ASSERT_TRUE(QDir().mkpath(path()));
    EXPECT_FALSE(ini(QStringLiteral("IpOpFile")).SetString(QStringLiteral("Read_Path"), QStringLiteral("x")));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

} // namespace
