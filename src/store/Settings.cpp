#include "store/Settings.h"

#include "store/clsIniFile.h"
#include "store/AppFolder.h"
#include "store/DbError.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>

namespace {

using enum SettingKey;
using enum SettingFile;
using enum SettingType;
using enum ShownDefault;

// clang-format off
constexpr std::array<SettingDef, 27> kTable{{
    {ReadPath,       ConfIni,  "IpOpFile",      "Read_Path",       Text,    "",         DesktopFolder, nullptr},
    {WritePath,      ConfIni,  "IpOpFile",      "Write_Path",      Text,    "",         DesktopFolder, nullptr},
    {WriteFileName,  ConfIni,  "IpOpFile",      "Write_File_Name", Text,    "",         FixedText,     "SeikyuDat"},
    {WebEdiUrl,      ConfIni,  "Environment",   "Web-EDI URL",     Text,    "",         FixedText,     "http://"},
    {DenPrinter,     ConfIni,  "Print_Env",     "Den_Printer",     Text,    "",         SameAsDefault, nullptr},
    {ShinaPrinter,   ConfIni,  "Print_Env",     "Shina_Printer",   Text,    "",         SameAsDefault, nullptr},
    {DenOffsetX,     ConfIni,  "Print_Env",     "Den_OffsetX",     Text,    "",         FixedText,     "0"},
    {DenOffsetY,     ConfIni,  "Print_Env",     "Den_OffsetY",     Text,    "",         FixedText,     "0"},
    {ShinaOffsetX,   ConfIni,  "Print_Env",     "Shina_OffsetX",   Text,    "",         FixedText,     "0"},
    {ShinaOffsetY,   ConfIni,  "Print_Env",     "Shina_OffsetY",   Text,    "",         FixedText,     "0"},
    {PlainPaper,     ConfIni,  "Print_Env",     "PlainPaper",      Text,    "",         FixedText,     "0"},
    {TorihikisakiCd, GyoumIni, "GYOUMU_SETTEI", "TORIHIKISAKI_CD", Text,    "",         SameAsDefault, nullptr},
    {ShimeBi,        GyoumIni, "GYOUMU_SETTEI", "SHIME_BI",        Text,    "",         FixedText,     "20"},
    {Zeiritsu,       GyoumIni, "GYOUMU_SETTEI", "ZEIRITSU",        Text,    "5",        SameAsDefault, nullptr},
    {HaDataSave,     GyoumIni, "GYOUMU_SETTEI", "HaDATA_SAVE",     Integer, "3",        SameAsDefault, nullptr},
    {SeDataSave,     GyoumIni, "GYOUMU_SETTEI", "SeDATA_SAVE",     Integer, "6",        SameAsDefault, nullptr},
    {PbDataSave,     GyoumIni, "GYOUMU_SETTEI", "PBDATA_SAVE",     Integer, "2",        SameAsDefault, nullptr},
    {MenuSelect,     ConfDat,  "Env",           "MenuSelect",      Text,    "MST_MENU", SameAsDefault, nullptr},
    {BtdPath,        ConfDat,  "BarTender",     "BTD_PATH",        Text,    "",         SameAsDefault, nullptr},
    {BackupKeep,     GyoumIni, "GYOUMU_SETTEI", "BACKUP_KEEP",     Integer, "10",       SameAsDefault, nullptr},
    {PickUpTrash,    ConfDat,  "Env",           "PickUp_Trash",    Integer, "0",        SameAsDefault, nullptr},
    {ExportMaxRows,  ConfDat,  "Export",        "MaxRows",         Integer, "5000000",  SameAsDefault, nullptr},
    {ExportMaxSeconds, ConfDat, "Export",       "MaxSeconds",      Integer, "600",      SameAsDefault, nullptr},
    {ExportMaxValueBytes, ConfDat, "Export",    "MaxValueBytes",   Integer, "1000000",  SameAsDefault, nullptr},
    {DbEngine,       ConfDat,  "Database",      "Engine",          Text,    "SQLite",   SameAsDefault, nullptr},
    {DbConnection,   ConfDat,  "Database",      "Connection",      Text,    "",         SameAsDefault, nullptr},
    {DbSchema,       ConfDat,  "Database",      "Schema",          Text,    "tobari",   SameAsDefault, nullptr},
}};
// clang-format on

// The table is indexed by the key's value; a row out of place would hand
// one setting another's file or default.
constexpr bool tableInKeyOrder()
{
    for (size_t i = 0; i < kTable.size(); ++i) {
        if (size_t(kTable[i].id) != i)
            return false;
    }
    return true;
}
static_assert(tableInKeyOrder(), "settings table rows must follow the SettingKey order");
static_assert(kTable.size() == size_t(DbSchema) + 1, "every SettingKey needs a row");

clsIniFile openAt(const SettingDef &def)
{
    clsIniFile ini;
    ini.setFileName(Settings::filePath(def.file));
    ini.setSection(QString::fromUtf8(def.section));
    return ini;
}

} // namespace

namespace Settings {

std::span<const SettingDef> table()
{
    return kTable;
}

const SettingDef &definition(SettingKey key)
{
    return kTable[size_t(key)];
}

QString fileName(SettingFile file)
{
    switch (file) {
    case ConfIni:
        return QStringLiteral("Conf.ini");
    case GyoumIni:
        return QStringLiteral("Gyoum.ini");
    case ConfDat:
        return QStringLiteral("Conf.DAT");
    }
    return QString();
}

QString filePath(SettingFile file)
{
    return AppFolder::file(fileName(file));
}

bool fileExists(SettingFile file)
{
    return QFileInfo(filePath(file)).isFile();
}

QString defaultText(SettingKey key)
{
    return QString::fromUtf8(definition(key).defaultValue);
}

qint32 defaultInt(SettingKey key)
{
    return defaultText(key).toInt();
}

QString shownDefault(SettingKey key)
{
    const SettingDef &def = definition(key);
    switch (def.shown) {
    case SameAsDefault:
        return defaultText(key);
    case FixedText:
        return QString::fromUtf8(def.shownText);
    case DesktopFolder:
        return desktopFolder();
    }
    return QString();
}

QString readText(SettingKey key)
{
    const SettingDef &def = definition(key);
    const QString value = openAt(def).GetString(QString::fromUtf8(def.key), defaultText(key));
    if (value.contains(QChar(0)))
        throw DbError(DbErr::InvalidArgument,
                      QStringLiteral("設定ファイル %1 の [%2] %3 の値に NUL 文字 (0x00) があります。"
                                     "ファイルを開いて値を書き直してください。")
                          .arg(filePath(def.file), QString::fromUtf8(def.section), QString::fromUtf8(def.key)));
    return value;
}

qint32 readInt(SettingKey key)
{
    const SettingDef &def = definition(key);
    readText(key);   // refuses a NUL, which the integer reading would stop at unseen
    return openAt(def).GetInteger(QString::fromUtf8(def.key), defaultInt(key));
}

QString readForScreen(SettingKey key)
{
    const SettingDef &def = definition(key);
    if (def.type == Integer)
        return QString::number(readInt(key));
    return openAt(def).GetString(QString::fromUtf8(def.key), shownDefault(key));
}

bool write(SettingKey key, const QString &value)
{
    const SettingDef &def = definition(key);
    return openAt(def).SetString(QString::fromUtf8(def.key), value);
}

QString desktopFolder()
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return QString();
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

} // namespace Settings
