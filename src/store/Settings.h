#pragma once
// Every key of the three settings files in one table: which file, section
// and key, whether it is read as text or as an integer, and its defaults.
// Callers name a key by its constant and never spell a section, key or
// default themselves, so a default lives in exactly one place.
//
// Two defaults per key, because the program has always used two: the one
// every operation reads with (mostly empty: an unset output folder is
// empty, not a guess), and the proposal a settings screen shows for a key
// that was never saved (the desktop folder, "SeikyuDat", "http://", "20").
//
//   Conf.ini   application settings, written by the settings screen
//   Gyoum.ini  business settings, written by the business settings screen
//   Conf.DAT   installation settings, edited by hand, optional
//
// Start-up refuses to run unless Conf.ini and Gyoum.ini both exist, so
// their existence is a setting too (fileExists).

#include <QString>
#include <QtGlobal>

#include <span>

enum class SettingFile { ConfIni, GyoumIni, ConfDat };

enum class SettingKey {
    ReadPath,       // Conf.ini   IpOpFile      Read_Path: start folder of the import file dialogs
    WritePath,      // Conf.ini   IpOpFile      Write_Path: output folder of billing file, tag files, workbooks
    WriteFileName,  // Conf.ini   IpOpFile      Write_File_Name: billing file base name (date and time follow)
    WebEdiUrl,      // Conf.ini   Environment   Web-EDI URL: the chain's web EDI site
    DenPrinter,     // Conf.ini   Print_Env     Den_Printer: printer for delivery slips
    ShinaPrinter,   // Conf.ini   Print_Env     Shina_Printer: printer for assortment lists
    DenOffsetX,     // Conf.ini   Print_Env     Den_OffsetX: slips moved right on the stock, mm (negative: left)
    DenOffsetY,     // Conf.ini   Print_Env     Den_OffsetY: slips moved down on the stock, mm (negative: up)
    ShinaOffsetX,   // Conf.ini   Print_Env     Shina_OffsetX: assortment lists moved right, mm
    ShinaOffsetY,   // Conf.ini   Print_Env     Shina_OffsetY: assortment lists moved down, mm
    PlainPaper,     // Conf.ini   Print_Env     PlainPaper: "1" prints the forms' frames and captions too (plain paper)
    TorihikisakiCd, // Gyoum.ini  GYOUMU_SETTEI TORIHIKISAKI_CD: our trading-partner code at the chain
    ShimeBi,        // Gyoum.ini  GYOUMU_SETTEI SHIME_BI: default closing day, 31 = month end
    Zeiritsu,       // Gyoum.ini  GYOUMU_SETTEI ZEIRITSU: consumption-tax rate in percent
    HaDataSave,     // Gyoum.ini  GYOUMU_SETTEI HaDATA_SAVE: months order data is kept after import
    SeDataSave,     // Gyoum.ini  GYOUMU_SETTEI SeDATA_SAVE: months billing data is kept after billing
    PbDataSave,     // Gyoum.ini  GYOUMU_SETTEI PBDATA_SAVE: months PB master rows are kept after sales end
    MenuSelect,     // Conf.DAT   Env           MenuSelect: table the main menu is built from
    BtdPath,        // Conf.DAT   BarTender     BTD_PATH: full path of the label program
    BackupKeep,     // Gyoum.ini  GYOUMU_SETTEI BACKUP_KEEP: how many database backups are kept (1 to 99)
    PickUpTrash,    // Conf.DAT   Env           PickUp_Trash: 1 puts picked-up order files in the trash, not in 取込済
    ExportMaxRows,  // Conf.DAT   Export        MaxRows: most rows a custom export writes
    ExportMaxSeconds, // Conf.DAT Export        MaxSeconds: longest a custom export's statement may run
    ExportMaxValueBytes, // Conf.DAT Export     MaxValueBytes: largest text or blob value an export reads
    DbEngine,       // Conf.DAT   Database      Engine: SQLite (the data folder's files) or PostgreSQL
    DbConnection,   // Conf.DAT   Database      Connection: libpq connection string of the server (no password)
    DbSchema,       // Conf.DAT   Database      Schema: the server schema holding the program's tables
};

enum class SettingType { Text, Integer };

// What a settings screen proposes for a key that is missing or empty.
enum class ShownDefault {
    SameAsDefault, // the read default
    FixedText,     // SettingDef::shownText
    DesktopFolder, // the user's desktop folder
};

struct SettingDef {
    SettingKey id;
    SettingFile file;
    const char *section;
    const char *key;
    SettingType type;
    const char *defaultValue; // UTF-8; an integer key's default as digits
    ShownDefault shown;
    const char *shownText;    // for ShownDefault::FixedText
};

namespace Settings {

// The whole table, in the order the settings screens write their keys.
std::span<const SettingDef> table();
const SettingDef &definition(SettingKey key);

// "Conf.ini", "Gyoum.ini", "Conf.DAT".
QString fileName(SettingFile file);
// The file's full path in the application folder.
QString filePath(SettingFile file);
bool fileExists(SettingFile file);

// The default every operation reads with; defaultInt is that default as a
// number (0 for an empty text default).
QString defaultText(SettingKey key);
qint32 defaultInt(SettingKey key);
// What a settings screen shows when the key is missing or empty.
QString shownDefault(SettingKey key);

// The key's value, or the read default when it is missing or empty. A
// value holding a NUL character (which would cut the SQL text it reaches)
// throws DbError 5 naming the file and the key.
QString readText(SettingKey key);
// The key's value as an integer (leading digits; 0 for a non-number), or
// defaultInt when it is missing or empty; a NUL throws as for readText.
qint32 readInt(SettingKey key);
// The text a settings screen puts in the key's box: the value or the
// shown default; an integer key shows its integer reading.
QString readForScreen(SettingKey key);

// Writes the value as given; false when the file cannot be written.
bool write(SettingKey key, const QString &value);

// The user's desktop folder in native form; empty when the platform does
// not know one or it does not exist (an output folder that is not there
// is no proposal).
QString desktopFolder();

} // namespace Settings
