#include "store/DbError.h"
#include "store/Settings.h"

#include "store/AppFolder.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A table row shows as its name in test listings and failures.
template <typename Row>
    requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

class SettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString savedFolder;

    void SetUp() override
    {
        savedFolder = AppFolder::path();
        AppFolder::setPath(dir.path());
    }
    void TearDown() override { AppFolder::setPath(savedFolder); }

    void writeBytes(const QString &name, const QByteArray &bytes) const
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray readBytes(const QString &name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

// Points the user's desktop folder somewhere for one test, the way the
// desktop's own settings do it.
class DesktopAt
{
public:
    explicit DesktopAt(const QString &folder)
        : m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")), m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    {
        QFile f(m_config.filePath(QStringLiteral("user-dirs.dirs")));
        if (f.open(QIODevice::WriteOnly))
            f.write("XDG_DESKTOP_DIR=\"" + folder.toUtf8() + "\"\n");
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    ~DesktopAt()
    {
        if (m_hadConfig)
            qputenv("XDG_CONFIG_HOME", m_oldConfig);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    DesktopAt(const DesktopAt &) = delete;
    DesktopAt &operator=(const DesktopAt &) = delete;

private:
    QTemporaryDir m_config;
    bool m_hadConfig;
    QByteArray m_oldConfig;
};

struct ReadCase {
    const char *name;
    SettingKey key;
    QString expected;
};

class SettingsReadTest : public SettingsTest, public ::testing::WithParamInterface<ReadCase>
{
protected:
    // The three files as an installation has them, typed out by hand, so
    // that a misspelt section or key in the table shows up as a wrong value.
    void writeInstalledFiles() const
    {
        writeBytes(QStringLiteral("Conf.ini"),
                   "[IpOpFile]\r\n"
                   "Read_Path=D:\\EDI\\in\r\n"
                   "Write_Path=D:\\EDI\\out\r\n"
                   "Write_File_Name=Seikyu\r\n"
                   "[Environment]\r\n"
                   "Web-EDI URL=https://edi.example.jp/\r\n"
                   "[Print_Env]\r\n"
                   "Den_Printer=\x93\x60\x95\x5b\r\n"     // 伝票
                   "Shina_Printer=\x95\x69\x91\xb5\r\n"); // 品揃
        writeBytes(QStringLiteral("Gyoum.ini"),
                   "[GYOUMU_SETTEI]\r\n"
                   "TORIHIKISAKI_CD=012345\r\n"
                   "SHIME_BI=31\r\n"
                   "ZEIRITSU=8\r\n"
                   "HaDATA_SAVE=4\r\n"
                   "SeDATA_SAVE=7\r\n"
                   "PBDATA_SAVE=24\r\n");
        writeBytes(QStringLiteral("Conf.DAT"),
                   "[Env]\r\n"
                   "MenuSelect=MST_MENU2\r\n"
                   "[BarTender]\r\n"
                   "BTD_PATH=C:\\Program Files\\Seagull\\bartend.exe\r\n");
    }
};

TEST_P(SettingsReadTest, FindsKeyInItsFileAndSection)
{
    writeInstalledFiles();
    EXPECT_EQ(Settings::readText(GetParam().key), GetParam().expected);
    EXPECT_EQ(Settings::readForScreen(GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SettingsReadTest,
    ::testing::Values(ReadCase{"ReadPath", SettingKey::ReadPath, QStringLiteral("D:\\EDI\\in")},
                      ReadCase{"WritePath", SettingKey::WritePath, QStringLiteral("D:\\EDI\\out")},
                      ReadCase{"WriteFileName", SettingKey::WriteFileName, QStringLiteral("Seikyu")},
                      ReadCase{"WebEdiUrl", SettingKey::WebEdiUrl, QStringLiteral("https://edi.example.jp/")},
                      ReadCase{"DenPrinter", SettingKey::DenPrinter, QStringLiteral("伝票")},
                      ReadCase{"ShinaPrinter", SettingKey::ShinaPrinter, QStringLiteral("品揃")},
                      ReadCase{"TorihikisakiCd", SettingKey::TorihikisakiCd, QStringLiteral("012345")},
                      ReadCase{"ShimeBi", SettingKey::ShimeBi, QStringLiteral("31")},
                      ReadCase{"Zeiritsu", SettingKey::Zeiritsu, QStringLiteral("8")},
                      ReadCase{"HaDataSave", SettingKey::HaDataSave, QStringLiteral("4")},
                      ReadCase{"SeDataSave", SettingKey::SeDataSave, QStringLiteral("7")},
                      ReadCase{"PbDataSave", SettingKey::PbDataSave, QStringLiteral("24")},
                      ReadCase{"MenuSelect", SettingKey::MenuSelect, QStringLiteral("MST_MENU2")},
                      ReadCase{"BtdPath", SettingKey::BtdPath,
                               QStringLiteral("C:\\Program Files\\Seagull\\bartend.exe")}),
    [](const auto &info) { return std::string(info.param.name); });

struct DefaultCase {
    const char *name;
    SettingKey key;
    QString read;   // what operations get
    QString screen; // what a settings screen shows
};

class SettingsDefaultTest : public SettingsTest, public ::testing::WithParamInterface<DefaultCase>
{
};

// First start: no files at all, and files whose keys are present but empty.
TEST_P(SettingsDefaultTest, MissingOrEmptyKeyGivesDefaults)
{
    const QString desktop = dir.filePath(QStringLiteral("デスクトップ"));
    ASSERT_TRUE(QDir().mkpath(desktop));
    DesktopAt at(desktop);
    const DefaultCase &c = GetParam();
    const QString screen = c.screen == QLatin1String("<desktop>") ? QDir::toNativeSeparators(desktop) : c.screen;

    EXPECT_EQ(Settings::readText(c.key), c.read);
    EXPECT_EQ(Settings::readForScreen(c.key), screen);

    const SettingDef &def = Settings::definition(c.key);
    writeBytes(Settings::fileName(def.file),
               QByteArray("[") + def.section + "]\r\n" + def.key + "=\r\n");
    EXPECT_EQ(Settings::readText(c.key), c.read);
    EXPECT_EQ(Settings::readForScreen(c.key), screen);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SettingsDefaultTest,
    ::testing::Values(DefaultCase{"ReadPath", SettingKey::ReadPath, QString(), QStringLiteral("<desktop>")},
                      DefaultCase{"WritePath", SettingKey::WritePath, QString(), QStringLiteral("<desktop>")},
                      DefaultCase{"WriteFileName", SettingKey::WriteFileName, QString(), QStringLiteral("SeikyuDat")},
                      DefaultCase{"WebEdiUrl", SettingKey::WebEdiUrl, QString(), QStringLiteral("http://")},
                      DefaultCase{"DenPrinter", SettingKey::DenPrinter, QString(), QString()},
                      DefaultCase{"ShinaPrinter", SettingKey::ShinaPrinter, QString(), QString()},
                      DefaultCase{"TorihikisakiCd", SettingKey::TorihikisakiCd, QString(), QString()},
                      DefaultCase{"ShimeBi", SettingKey::ShimeBi, QString(), QStringLiteral("20")},
                      DefaultCase{"Zeiritsu", SettingKey::Zeiritsu, QStringLiteral("5"), QStringLiteral("5")},
                      DefaultCase{"HaDataSave", SettingKey::HaDataSave, QStringLiteral("3"), QStringLiteral("3")},
                      DefaultCase{"SeDataSave", SettingKey::SeDataSave, QStringLiteral("6"), QStringLiteral("6")},
                      DefaultCase{"PbDataSave", SettingKey::PbDataSave, QStringLiteral("2"), QStringLiteral("2")},
                      DefaultCase{"MenuSelect", SettingKey::MenuSelect, QStringLiteral("MST_MENU"),
                                  QStringLiteral("MST_MENU")},
                      DefaultCase{"BtdPath", SettingKey::BtdPath, QString(), QString()}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SettingsTest, ReadIntFollowsIntegerReading)
{
    EXPECT_EQ(Settings::readInt(SettingKey::HaDataSave), 3);
    EXPECT_EQ(Settings::readInt(SettingKey::SeDataSave), 6);
    EXPECT_EQ(Settings::readInt(SettingKey::PbDataSave), 2);
    EXPECT_EQ(Settings::readInt(SettingKey::Zeiritsu), 5);
    EXPECT_EQ(Settings::readInt(SettingKey::ShimeBi), 0);

    writeBytes(QStringLiteral("Gyoum.ini"), "[GYOUMU_SETTEI]\r\nHaDATA_SAVE=abc\r\nSeDATA_SAVE=1.5\r\nZEIRITSU=10\r\n");
    EXPECT_EQ(Settings::readInt(SettingKey::HaDataSave), 0);
    EXPECT_EQ(Settings::readForScreen(SettingKey::HaDataSave), QStringLiteral("0"));
    EXPECT_EQ(Settings::readInt(SettingKey::SeDataSave), 1);
    EXPECT_EQ(Settings::readForScreen(SettingKey::SeDataSave), QStringLiteral("1"));
    EXPECT_EQ(Settings::readText(SettingKey::SeDataSave), QStringLiteral("1.5"));
    EXPECT_EQ(Settings::readInt(SettingKey::Zeiritsu), 10);
}

// A NUL in a value would cut the SQL text it reaches; reading it is
// refused with the file and the key named, for text and integer keys.
TEST_F(SettingsTest, ValueWithNulIsRefusedNamingFileAndKey)
{
    writeBytes(QStringLiteral("Gyoum.ini"),
               QByteArray("[GYOUMU_SETTEI]\r\nTORIHIKISAKI_CD=77\0" "99\r\nHaDATA_SAVE=3\0" "0\r\nSHIME_BI=20\r\n", 70));
    const std::pair<SettingKey, const char *> keys[] = {{SettingKey::TorihikisakiCd, "TORIHIKISAKI_CD"},
                                                        {SettingKey::HaDataSave, "HaDATA_SAVE"}};
    for (const auto &[key, name] : keys) {
        SCOPED_TRACE(name);
        const auto check = [&, name = name](const DbError &e) {
            EXPECT_EQ(e.number(), DbErr::InvalidArgument);
            EXPECT_TRUE(e.description().contains(dir.filePath(QStringLiteral("Gyoum.ini")))) << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(QLatin1String(name))) << e.description().toStdString();
        };
        try {
            Settings::readText(key);
            ADD_FAILURE() << "read as text";
        } catch (const DbError &e) {
            check(e);
        }
        try {
            Settings::readInt(key);
            ADD_FAILURE() << "read as integer";
        } catch (const DbError &e) {
            check(e);
        }
    }
    EXPECT_EQ(Settings::readText(SettingKey::ShimeBi), QStringLiteral("20"));   // the other keys read as ever
}

// The application settings screen saves its six keys in this order on a
// first start; the business settings screen its six.
TEST_F(SettingsTest, WritingCreatesFilesAsTheScreensSaveThem)
{
    EXPECT_FALSE(Settings::fileExists(SettingFile::ConfIni));
    EXPECT_FALSE(Settings::fileExists(SettingFile::GyoumIni));

    EXPECT_TRUE(Settings::write(SettingKey::ReadPath, QStringLiteral("/home/op/Desktop")));
    EXPECT_TRUE(Settings::write(SettingKey::WritePath, QStringLiteral("/home/op/Desktop")));
    EXPECT_TRUE(Settings::write(SettingKey::WriteFileName, QStringLiteral("SeikyuDat")));
    EXPECT_TRUE(Settings::write(SettingKey::WebEdiUrl, QStringLiteral("http://")));
    EXPECT_TRUE(Settings::write(SettingKey::DenPrinter, QStringLiteral("伝票")));
    EXPECT_TRUE(Settings::write(SettingKey::ShinaPrinter, QString()));
    for (const SettingKey key : {SettingKey::TorihikisakiCd, SettingKey::ShimeBi, SettingKey::Zeiritsu,
                                 SettingKey::HaDataSave, SettingKey::SeDataSave, SettingKey::PbDataSave})
        EXPECT_TRUE(Settings::write(key, Settings::readForScreen(key)));

    EXPECT_TRUE(Settings::fileExists(SettingFile::ConfIni));
    EXPECT_TRUE(Settings::fileExists(SettingFile::GyoumIni));
    EXPECT_FALSE(Settings::fileExists(SettingFile::ConfDat));
    EXPECT_EQ(readBytes(QStringLiteral("Conf.ini")), QByteArray("[IpOpFile]\r\n"
                                                                "Read_Path=/home/op/Desktop\r\n"
                                                                "Write_Path=/home/op/Desktop\r\n"
                                                                "Write_File_Name=SeikyuDat\r\n"
                                                                "[Environment]\r\n"
                                                                "Web-EDI URL=http://\r\n"
                                                                "[Print_Env]\r\n"
                                                                "Den_Printer=\x93\x60\x95\x5b\r\n"
                                                                "Shina_Printer=\r\n"));
    EXPECT_EQ(readBytes(QStringLiteral("Gyoum.ini")), QByteArray("[GYOUMU_SETTEI]\r\n"
                                                                 "TORIHIKISAKI_CD=\r\n"
                                                                 "SHIME_BI=20\r\n"
                                                                 "ZEIRITSU=5\r\n"
                                                                 "HaDATA_SAVE=3\r\n"
                                                                 "SeDATA_SAVE=6\r\n"
                                                                 "PBDATA_SAVE=2\r\n"));
}

TEST_F(SettingsTest, FilesLiveInTheApplicationFolder)
{
    EXPECT_EQ(Settings::filePath(SettingFile::ConfIni), QDir::toNativeSeparators(dir.filePath(QStringLiteral("Conf.ini"))));
    EXPECT_EQ(Settings::filePath(SettingFile::GyoumIni), QDir::toNativeSeparators(dir.filePath(QStringLiteral("Gyoum.ini"))));
    EXPECT_EQ(Settings::filePath(SettingFile::ConfDat), QDir::toNativeSeparators(dir.filePath(QStringLiteral("Conf.DAT"))));
}

TEST_F(SettingsTest, DesktopFolderThatDoesNotExistIsNoProposal)
{
    DesktopAt at(dir.filePath(QStringLiteral("gone")));
    EXPECT_EQ(Settings::desktopFolder(), QString());
    EXPECT_EQ(Settings::readForScreen(SettingKey::ReadPath), QString());
}

} // namespace
