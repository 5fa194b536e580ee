// The custom export engine: definition files, the files it writes, and what
// it refuses.

#include "output/clsCustomDOP.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

// ｶｽﾀﾑ店 in code page 932: four half-width katakana and one kanji.
const QByteArray StoreCp932("\xB6\xBD\xC0\xD1\x93\x58");
// The same text in UTF-8.
const QByteArray StoreUtf8("\xEF\xBD\xB6\xEF\xBD\xBD\xEF\xBE\x80\xEF\xBE\x91\xE5\xBA\x97");

// One slip with two lines: a text field, a number computed from a text
// field, and a text field that is Null on the second line.
class Export : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        SlipRows::slip(*db, 1, 10, {{"OMDNNO", "000123"}, {"OMMSKN", QStringLiteral("ｶｽﾀﾑ店")}, {"DEN_EXP_CHECK", "-1"}});
        SlipRows::line(*db, 1, 10, 100, "012000", "0001980", {{"ONLINE", "01"}, {"ONSYKN", "ABC"}, {"ONSKU", "123456"}});
        SlipRows::line(*db, 1, 10, 101, "000050", "0000500", {{"ONLINE", "02"}, {"ONSKU", "X"}});
        out = folder.file("out");
        ASSERT_TRUE(QDir().mkpath(out));
    }

    // Writes a definition file and reads it into `dop`.
    void define(const QByteArray &bytes)
    {
        definition = folder.file("SQL/TEST.SQL");
        QDir().mkpath(QFileInfo(definition).path());
        writeAll(definition, bytes);
        ASSERT_EQ(dop.setFile(definition), 0);
    }
    qint32 run(const QStringList &params = QStringList(10, QStringLiteral(" ")))
    {
        dop.setDistination(out);
        return dop.eXport(*db, dialogs, params);
    }
    QStringList outputFiles() const { return QDir(out).entryList(QDir::Files | QDir::Hidden); }
    qint64 lineCount() { return db->scalar("SELECT COUNT(*) FROM TBL_RD_BD").toLongLong(); }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    clsCustomDOP dop;
    QString out;
    QString definition;
};

const QByteArray BaseQuery =
    "SELECT TH2.OMDNNO, TH2.OMMSKN, CAST(TBD.ONSURY AS INTEGER) / 10 AS PIECES, TBD.ONSYKN\r\n"
    "FROM TBL_RD_H2 TH2 JOIN TBL_RD_BD TBD ON TH2.INDEXNOH2 = TBD.INDEXNOH2\r\n"
    "ORDER BY TBD.ONLINE\r\n";

struct DefinitionCase {
    const char *name;
    QByteArray definition;
    const char *fileName;
    QByteArray expected;
};

class ExportDefinition : public Export, public ::testing::WithParamInterface<DefinitionCase> {};

TEST_P(ExportDefinition, WritesTheExpectedBytes)
{
    const DefinitionCase &c = GetParam();
    define(c.definition);
    EXPECT_EQ(run(), clsCustomDOP::Written) << dop.lastErrorDescription().toStdString();
    EXPECT_EQ(outputFiles(), QStringList{QString::fromLatin1(c.fileName)});
    EXPECT_EQ(readAll(out + "/" + c.fileName), c.expected);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("データ出力処理が終了しました。"));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Information);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportDefinition,
    ::testing::Values(
        DefinitionCase{"empty_qualifier_line_gives_double_quotes", "\r\n,\r\nOUT.CSV\r\n" + BaseQuery, "OUT.CSV",
                       "\"000123\",\"" + StoreCp932 + "\",1200,\"ABC\"\r\n"
                       "\"000123\",\"" + StoreCp932 + "\",5,\"\"\r\n"},
        DefinitionCase{"null_qualifier_gives_none", "null\r\n,\r\nOUT.CSV\r\n" + BaseQuery, "OUT.CSV",
                       "000123," + StoreCp932 + ",1200,ABC\r\n"
                       "000123," + StoreCp932 + ",5,\r\n"},
        DefinitionCase{"Null_qualifier_gives_none", "Null\r\n,\r\nOUT.CSV\r\n" + BaseQuery, "OUT.CSV",
                       "000123," + StoreCp932 + ",1200,ABC\r\n"
                       "000123," + StoreCp932 + ",5,\r\n"},
        DefinitionCase{"single_quote_qualifier_and_tab_separator", "'\r\n\t\r\nOUT.TXT\r\n" + BaseQuery, "OUT.TXT",
                       "'000123'\t'" + StoreCp932 + "'\t1200\t'ABC'\r\n"
                       "'000123'\t'" + StoreCp932 + "'\t5\t''\r\n"},
        DefinitionCase{"empty_separator_line_gives_comma", "\"\r\n\r\nOUT.CSV\r\n" + BaseQuery, "OUT.CSV",
                       "\"000123\",\"" + StoreCp932 + "\",1200,\"ABC\"\r\n"
                       "\"000123\",\"" + StoreCp932 + "\",5,\"\"\r\n"},
        // The expression's kind shows only on the second row: the first row
        // waits for it and is quoted too.
        DefinitionCase{"expression_kind_from_a_later_row",
                       "\"\r\n,\r\nOUT.CSV\r\n"
                       "SELECT CASE WHEN ONLINE = '01' THEN NULL ELSE ONSKU || '!' END, NULL + 1, ONLINE\r\n"
                       "FROM TBL_RD_BD ORDER BY ONLINE\r\n",
                       "OUT.CSV", "\"\",,\"01\"\r\n\"X!\",,\"02\"\r\n"},
        DefinitionCase{"empty_name_line_gives_TOBARI_OUTPUT", "\"\r\n;\r\n\r\n" + BaseQuery, "TOBARI_OUTPUT",
                       "\"000123\";\"" + StoreCp932 + "\";1200;\"ABC\"\r\n"
                       "\"000123\";\"" + StoreCp932 + "\";5;\"\"\r\n"},
        // Japanese in the statement itself, as a Windows editor saves it and
        // as a UTF-8 editor does; plain LF line ends are read too.
        DefinitionCase{"cp932_definition_with_japanese_literal",
                       "null\r\n,\r\nOUT.CSV\r\nSELECT OMDNNO, OMMSKN FROM TBL_RD_H2 WHERE OMMSKN = '" + StoreCp932 + "'\r\n",
                       "OUT.CSV", "000123," + StoreCp932 + "\r\n"},
        DefinitionCase{"utf8_definition_with_lf_line_ends",
                       "null\n,\nOUT.CSV\nSELECT OMDNNO, OMMSKN FROM TBL_RD_H2\nWHERE OMMSKN = '" + StoreUtf8 + "'\n",
                       "OUT.CSV", "000123," + StoreCp932 + "\r\n"},
        // A qualifier inside a value stays single; a real number keeps its
        // fraction, a whole real is written without one.
        DefinitionCase{"values_written_as_they_are",
                       "\"\r\n,\r\nOUT.CSV\r\nSELECT 'say \"hi\"', 15.5, 12.0, NULL, 'a' || NULL\r\n", "OUT.CSV",
                       "\"say \"hi\"\",15.5,12,,\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Export, QueryWithoutRowsWritesNothing)
{
    define("\"\r\n,\r\nOUT.CSV\r\nSELECT OMDNNO FROM TBL_RD_H2 WHERE OMDNNO = 'none'\r\n");
    EXPECT_EQ(run(), clsCustomDOP::NoRows);
    EXPECT_EQ(outputFiles(), QStringList());
    EXPECT_EQ(dialogs.shown().size(), 0);
}

TEST_F(Export, FolderChosenEndingWithASeparator)
{
    define("null\r\n,\r\nOUT.CSV\r\nSELECT OMDNNO FROM TBL_RD_H2\r\n");
    dialogs.answerFolder(out + "/");
    EXPECT_EQ(dop.eXport(*db, dialogs, {}), clsCustomDOP::Written);
    EXPECT_EQ(dialogs.shown()[0].kind, "folder");
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("書き出し先指定"));
    EXPECT_EQ(dop.Distination(), out + "/");
    EXPECT_EQ(dop.outputPath(), out + "/OUT.CSV");
    EXPECT_EQ(readAll(out + "/OUT.CSV"), QByteArray("000123\r\n"));
}

TEST_F(Export, DoubledSeparatorsReducedToOne)
{
    define("null\r\n,\r\nOUT.CSV\r\nSELECT 1\r\n");
    dop.setDistination(out + "//");
    EXPECT_EQ(dop.outputPath(), out + "/OUT.CSV");
    dop.setDistination(out + "///sub//");
    EXPECT_EQ(dop.outputPath(), out + "/sub/OUT.CSV");
}

// A folder on a Windows share keeps the two separators that make it one.
TEST_F(Export, ShareFolderKeepsItsLeadingSeparators)
{
    define("null\r\n,\r\nOUT.CSV\r\nSELECT 1\r\n");
    const std::pair<QString, QString> cases[] = {
        {"//server/share", "//server/share/OUT.CSV"},
        {"//server/share//sub/", "//server/share/sub/OUT.CSV"},
        {"\\\\server\\share", "\\\\server\\share/OUT.CSV"},
        {"///local//x", "/local/x/OUT.CSV"},
    };
    for (const auto &[folder, expected] : cases) {
        SCOPED_TRACE(folder.toStdString());
        dop.setDistination(folder);
        EXPECT_EQ(dop.outputPath(), expected);
    }
}

TEST_F(Export, NoUsableFolder)
{
    define("null\r\n,\r\nOUT.CSV\r\nSELECT 1\r\n");
    dialogs.answerFolder(QString());   // chooser cancelled
    EXPECT_EQ(dop.eXport(*db, dialogs, {}), clsCustomDOP::NoFolder);
    dop.setDistination(out + "/missing");
    EXPECT_EQ(dop.eXport(*db, dialogs, {}), clsCustomDOP::NoFolder);
    EXPECT_FALSE(QFileInfo::exists(out + "/missing"));
    EXPECT_EQ(outputFiles(), QStringList());
}

TEST_F(Export, FailingQueryLeavesTheTargetAsItWas)
{
    // The second line's SKU is no number: the statement fails after a row
    // has been read, and the file of an earlier export stays untouched.
    define("null\r\n,\r\nOUT.CSV\r\nSELECT CLNG(ONSKU) FROM TBL_RD_BD ORDER BY ONLINE\r\n");
    writeAll(out + "/OUT.CSV", "earlier export\r\n");
    EXPECT_EQ(run(), 13);
    EXPECT_FALSE(dop.lastErrorDescription().isEmpty());
    EXPECT_EQ(outputFiles(), QStringList{"OUT.CSV"});
    EXPECT_EQ(readAll(out + "/OUT.CSV"), QByteArray("earlier export\r\n"));
    EXPECT_EQ(dialogs.shown().size(), 0);
}

TEST_F(Export, ExistingFileIsReplacedWhole)
{
    define("null\r\n,\r\nOUT.CSV\r\nSELECT OMDNNO FROM TBL_RD_H2\r\n");
    writeAll(out + "/OUT.CSV", "a much longer earlier export\r\nwith two lines\r\n");
    EXPECT_EQ(run(), clsCustomDOP::Written);
    EXPECT_EQ(readAll(out + "/OUT.CSV"), QByteArray("000123\r\n"));
    EXPECT_EQ(outputFiles(), QStringList{"OUT.CSV"});
}

// The third line names a file in the chosen folder; a name with a folder
// part is refused before the query runs, and nothing is written anywhere.
class ExportFileName : public Export, public ::testing::WithParamInterface<DefinitionCase> {};

TEST_P(ExportFileName, WithAFolderPartIsRefused)
{
    const QString name = QString::fromUtf8(GetParam().fileName);
    define(QByteArray("null\r\n,\r\n") + GetParam().fileName + "\r\nSELECT OMDNNO FROM TBL_RD_H2\r\n");
    ASSERT_TRUE(QDir().mkpath(out + "/sub"));
    EXPECT_EQ(run(), DbErr::PathAccess);
    EXPECT_TRUE(dop.lastErrorDescription().contains(name)) << dop.lastErrorDescription().toStdString();
    EXPECT_TRUE(dop.lastErrorDescription().contains(QStringLiteral("使えません"))) << dop.lastErrorDescription().toStdString();
    EXPECT_EQ(outputFiles(), QStringList());
    EXPECT_EQ(QDir(out + "/sub").entryList(QDir::Files), QStringList());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).filter("OUT"), QStringList());
    EXPECT_EQ(dialogs.shown().size(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportFileName,
                         ::testing::Values(DefinitionCase{"parent", {}, "../OUT.CSV", {}},
                                           DefinitionCase{"sub_folder", {}, "sub/OUT.CSV", {}},
                                           DefinitionCase{"windows_parent", {}, "..\\OUT.CSV", {}},
                                           DefinitionCase{"absolute", {}, "/tmp/OUT.CSV", {}},
                                           DefinitionCase{"drive", {}, "C:OUT.CSV", {}},
                                           DefinitionCase{"dot_dot", {}, "..", {}}),
                         [](const auto &info) { return std::string(info.param.name); });

// Names one of the two systems cannot hold are refused too, with the
// reason: the operator wrote them and would look for them by that name.
INSTANTIATE_TEST_SUITE_P(WindowsCannotHold, ExportFileName,
                         ::testing::Values(DefinitionCase{"device", {}, "CON", {}},
                                           DefinitionCase{"device_with_extension", {}, "nul.csv", {}},
                                           DefinitionCase{"numbered_device", {}, "Com3.txt", {}},
                                           DefinitionCase{"control_character", {}, "OUT\x01.CSV", {}},
                                           DefinitionCase{"tab", {}, "OUT\t.CSV", {}},
                                           DefinitionCase{"bar", {}, "A|B.CSV", {}},
                                           DefinitionCase{"question_mark", {}, "OUT?.CSV", {}},
                                           DefinitionCase{"star", {}, "*.CSV", {}},
                                           DefinitionCase{"quote", {}, "\"OUT\".CSV", {}},
                                           DefinitionCase{"angle_brackets", {}, "<OUT>.CSV", {}},
                                           DefinitionCase{"trailing_dot", {}, "OUT.", {}},
                                           DefinitionCase{"trailing_blank", {}, "OUT.CSV ", {}},
                                           DefinitionCase{"longer_than_255_bytes", {},
                                                          "OUT_4567890123456789012345678901234567890123456789"
                                                          "01234567890123456789012345678901234567890123456789"
                                                          "01234567890123456789012345678901234567890123456789"
                                                          "01234567890123456789012345678901234567890123456789"
                                                          "01234567890123456789012345678901234567890123456789"
                                                          "123456.CSV", {}}),
                         [](const auto &info) { return std::string(info.param.name); });

struct RefusedCase {
    const char *name;
    const char *statement;
};

class ExportRefused : public Export, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(ExportRefused, NothingChangedAndNoFile)
{
    define(QByteArray("\"\r\n,\r\nOUT.CSV\r\n") + GetParam().statement + "\r\n");
    const qint64 before = lineCount();
    const qint32 r = run();
    EXPECT_NE(r, clsCustomDOP::Written);
    EXPECT_NE(r, clsCustomDOP::NoRows);
    EXPECT_NE(r, clsCustomDOP::NoFolder);
    EXPECT_FALSE(dop.lastErrorDescription().isEmpty());
    EXPECT_EQ(lineCount(), before);
    EXPECT_EQ(db->scalar("SELECT ONSYKN FROM TBL_RD_BD WHERE INDEXNOBD=100").toString(), "ABC");
    // No transaction left open.
    if (db->handle())
        EXPECT_NE(sqlite3_get_autocommit(db->handle()), 0);
    EXPECT_EQ(db->transactionDepth(), 0);
    EXPECT_EQ(outputFiles(), QStringList());
    EXPECT_FALSE(QFileInfo::exists("export_attach_probe.db"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportRefused,
    ::testing::Values(RefusedCase{"delete", "DELETE FROM TBL_RD_BD"},
                      RefusedCase{"update", "UPDATE TBL_RD_BD SET ONSYKN = 'X'"},
                      RefusedCase{"delete_behind_with", "WITH x AS (SELECT 1) DELETE FROM TBL_RD_BD"},
                      RefusedCase{"delete_inside_with",
                                  "WITH d AS (DELETE FROM TBL_RD_BD RETURNING ONSYKN) SELECT * FROM d"},
                      RefusedCase{"second_statement", "SELECT 1; DELETE FROM TBL_RD_BD"},
                      RefusedCase{"insert_select", "INSERT INTO TBL_RD_BD (INDEXNOBD) SELECT 999"},
                      RefusedCase{"attach_creating_a_file", "ATTACH 'export_attach_probe.db' AS other"},
                      RefusedCase{"transaction_control", "BEGIN"},
                      RefusedCase{"drop_behind_a_comment", "-- harmless\r\nDROP TABLE TBL_RD_BD"},
                      RefusedCase{"no_statement", ""},
                      // a pointer into the engine read out into the file ...
                      RefusedCase{"tokenizer_pointer_read", "SELECT hex(fts3_tokenizer('simple'))"},
                      // ... or any pointer registered as a tokenizer to be called later
                      RefusedCase{"tokenizer_pointer_written", "SELECT fts3_tokenizer('evil', x'4141414141414141')"},
                      RefusedCase{"pragma_function", "SELECT name FROM pragma_table_list"},
                      RefusedCase{"schema_table", "SELECT sql FROM sqlite_master"}),
    [](const auto &info) { return std::string(info.param.name); });

// Placeholders are replaced as plain text: a definition puts a text value
// between quotes itself, and may use a placeholder as an optional fragment
// that the slip list's blanks leave out.
TEST_F(Export, PlaceholdersAtLineEndsAndInsideQuotedText)
{
    define("null\r\n,\r\nOUT.CSV\r\n"
           "SELECT OMDNNO, 'run /[0]/ of /[1]/' AS NOTE FROM TBL_RD_H2 /[2]/\r\n"
           "WHERE OMDNNO = '/[3]/' /[4]/\r\n"
           "ORDER BY OMDNNO /[5]/\r\n");
    EXPECT_EQ(run({"7", "12", " ", "000123", "AND INDEXNOH2 = 10"}), clsCustomDOP::Written)
        << dop.lastErrorDescription().toStdString();
    EXPECT_EQ(readAll(out + "/OUT.CSV"), QByteArray("000123,run 7 of 12\r\n"));

    define("\"\r\n,\r\nOUT.CSV\r\nSELECT OMDNNO FROM TBL_RD_H2 WHERE 1 = 1 /[0]/\r\n/[1]/\r\nORDER BY OMDNNO /[9]/\r\n");
    EXPECT_EQ(run(), clsCustomDOP::Written) << dop.lastErrorDescription().toStdString();   // ten blanks
    EXPECT_EQ(readAll(out + "/OUT.CSV"), QByteArray("\"000123\"\r\n"));
}

// Whatever a value makes of the statement, it still only reads.
TEST_F(Export, ValueCannotMakeTheStatementWrite)
{
    define("null\r\n,\r\nOUT.CSV\r\nSELECT OMDNNO FROM TBL_RD_H2 WHERE OMDNNO = '/[0]/'\r\n");
    EXPECT_EQ(run({"000123"}), clsCustomDOP::Written);
    EXPECT_EQ(readAll(out + "/OUT.CSV"), QByteArray("000123\r\n"));
    QFile::remove(out + "/OUT.CSV");
    for (const char *value : {"x'; DELETE FROM TBL_RD_BD; --", "x' OR 1 = 1; UPDATE TBL_RD_BD SET ONSYKN = 'X'; --"}) {
        SCOPED_TRACE(value);
        const qint32 r = run({QString::fromLatin1(value)});
        EXPECT_NE(r, clsCustomDOP::Written);
        EXPECT_NE(r, clsCustomDOP::NoRows);
        EXPECT_EQ(lineCount(), 2);
        EXPECT_EQ(outputFiles(), QStringList());
    }
    // No transaction is left open behind the refused statement.
    if (db->handle())
        EXPECT_NE(sqlite3_get_autocommit(db->handle()), 0);
    EXPECT_EQ(db->transactionDepth(), 0);
}

// ------------------------------------------------------------ placeholders

struct PlaceholderCase {
    const char *name;
    const char *sql;
    const char *expected;
};

class Placeholders : public ::testing::TestWithParam<PlaceholderCase> {};

TEST_P(Placeholders, Replaced)
{
    const QStringList values{"12", "O'Neil", "/[0]/", " "};
    EXPECT_EQ(ReplaceExportPlaceholders(QString::fromUtf8(GetParam().sql), values), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Placeholders,
    ::testing::Values(
        PlaceholderCase{"plain_text", "Where INDEXNOZH=/[0]/", "Where INDEXNOZH=12"},
        PlaceholderCase{"value_as_it_is", "Where A='/[1]/'", "Where A='O'Neil'"},
        PlaceholderCase{"inside_quotes", "Where A LIKE '/[0]/%'", "Where A LIKE '12%'"},
        PlaceholderCase{"at_line_ends", "Where A=/[0]/\r\nAnd B=1 /[3]/\r\n", "Where A=12\r\nAnd B=1  \r\n"},
        PlaceholderCase{"value_holding_a_placeholder_stays", "/[2]/,/[0]/", "/[0]/,12"},
        PlaceholderCase{"blank_and_missing_values", "[/[3]//[9]/]", "[ ]"},
        PlaceholderCase{"comments_and_names_too", "-- /[0]/\nSELECT \"/[0]/\" /* /[0]/ */", "-- 12\nSELECT \"12\" /* 12 */"},
        PlaceholderCase{"not_a_placeholder", "/[x]/ /[10]/ /[0] /[]/", "/[x]/ /[10]/ /[0] /[]/"}),
    [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------ definition file

struct SetFileCase {
    const char *name;
    QByteArray content;
    const char *qualifier;
    const char *separator;
    const char *fileName;
    const char *query;
};

class DefinitionLines : public ::testing::TestWithParam<SetFileCase> {};

TEST_P(DefinitionLines, ReadWithDefaults)
{
    const SetFileCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("D.SQL");
    writeAll(path, c.content);
    clsCustomDOP dop;
    ASSERT_EQ(dop.setFile(path), 0);
    EXPECT_EQ(dop.definitionPath(), path);
    EXPECT_EQ(dop.qualifier(), QString::fromUtf8(c.qualifier));
    EXPECT_EQ(dop.separator(), QString::fromUtf8(c.separator));
    EXPECT_EQ(dop.outputFileName(), QString::fromUtf8(c.fileName));
    EXPECT_EQ(dop.query(), QString::fromUtf8(c.query));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefinitionLines,
    ::testing::Values(SetFileCase{"empty_file", "", "\"", ",", "TOBARI_OUTPUT", ""},
                      SetFileCase{"qualifier_only", "'\r\n", "'", ",", "TOBARI_OUTPUT", ""},
                      SetFileCase{"two_lines", "null\r\n|", "", "|", "TOBARI_OUTPUT", ""},
                      SetFileCase{"no_query", "\"\r\n,\r\nA.CSV\r\n", "\"", ",", "A.CSV", ""},
                      SetFileCase{"query_lines_each_end_crlf", "\r\n\r\n\r\nSELECT 1\r\n\r\nFROM X", "\"", ",",
                                  "TOBARI_OUTPUT", "SELECT 1\r\n\r\nFROM X\r\n"},
                      SetFileCase{"words_kept_as_written", "''\r\n, \r\nout file.txt\r\n", "''", ", ",
                                  "out file.txt", ""},
                      // The last character's code page 932 bytes begin a UTF-8
                      // sequence that the end of the file cuts off: code page
                      // 932, not UTF-8 missing its last character.
                      SetFileCase{"code_page_932_ending_like_cut_utf8", "\"\r\n,\r\nOUT\xE0\xA3", "\"", ",",
                                  "OUT\xE7\x88\x9B", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DefinitionFile, MissingFileReadsNothingAndForgetsTheLastOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("D.SQL");
    writeAll(path, "'\r\n;\r\nA.CSV\r\nSELECT 1\r\n");
    clsCustomDOP dop;
    ASSERT_EQ(dop.setFile(path), 0);
    EXPECT_EQ(dop.setFile(dir.filePath("NONE.SQL")), 1);
    EXPECT_EQ(dop.qualifier(), "\"");
    EXPECT_EQ(dop.separator(), ",");
    EXPECT_EQ(dop.query(), "");
    EXPECT_EQ(dop.setFile(dir.path()), 1);   // a folder is no definition
}

// ------------------------------------------------------------ shipped examples

class SampleDefinitions : public Export {
protected:
    void defineSample(const char *name)
    {
        ASSERT_EQ(dop.setFile(QStringLiteral(TOBARI_SAMPLES_DIR "/SQL/") + name), 0);
        EXPECT_EQ(dop.qualifier(), "\"");
        EXPECT_EQ(dop.separator(), ",");
    }
};

TEST_F(SampleDefinitions, DeliveryWritesThePrintedSlipsLines)
{
    SlipRows::slip(*db, 1, 11, {{"OMDNNO", "000124"}, {"DEN_EXP_CHECK", "0"}});   // not printed since
    SlipRows::line(*db, 1, 11, 102, "000010", "0000100", {{"ONLINE", "01"}});
    db->execute("UPDATE TBL_RD_H2 SET OMHCNO='7000001', OMHCDT='261201', OMNKDT='261205', OMMSCD='123' "
                "WHERE INDEXNOH2=10");
    db->execute("UPDATE TBL_RD_BD SET ONSYGN='A-1', ONCLKN='ｸﾛ', ONSZKN='M', ONBAIJ='0002376000' WHERE INDEXNOBD=100");
    defineSample("NOUHIN.SQL");
    EXPECT_EQ(dop.outputFileName(), "NOUHIN.CSV");
    EXPECT_EQ(run(), clsCustomDOP::Written) << dop.lastErrorDescription().toStdString();
    // ｸﾛ is B8 DB in code page 932; 12000 tenths are 1200 pieces, 50 are 5.
    EXPECT_EQ(readAll(out + "/NOUHIN.CSV"),
              "\"000123\",\"7000001\",\"261201\",\"261205\",\"123\",\"" + StoreCp932 +
                  "\",\"01\",\"123456\",\"A-1\",\"ABC\",\"\xB8\xDB\",\"M\",1200,1980,2376000\r\n"
                  "\"000123\",\"7000001\",\"261201\",\"261205\",\"123\",\"" + StoreCp932 +
                  "\",\"02\",\"X\",\"\",\"\",\"\",\"\",5,500,\r\n");
}

TEST_F(SampleDefinitions, BillingWritesTheSlipsOfTheRunGiven)
{
    for (int run = 7; run <= 8; ++run) {
        SlipRows::insert(*db, "TBL_SEZ_B", {{"INDEXNOZH", run}, {"INDEXNOH2", 10}, {"OMDNNO", "000123"},
                                            {"OMHCNO", "7000001"}, {"OMNKDT", "261205"}, {"OMMSCD", "123"},
                                            {"OMMSKN", QStringLiteral("ｶｽﾀﾑ店")}, {"GOUKEI_KINGAKU", 23760 * run}});
        SlipRows::insert(*db, "TBL_SEZ_BD", {{"INDEXNOZH", run}, {"INDEXNOH2", 10}, {"INDEXNOBD", 100}});
    }
    SlipRows::insert(*db, "TBL_SEZ_BD", {{"INDEXNOZH", 7}, {"INDEXNOH2", 10}, {"INDEXNOBD", 101}});
    defineSample("SEIKYU.SQL");
    EXPECT_EQ(dop.outputFileName(), "SEIKYU.CSV");
    QStringList params(10, QStringLiteral(" "));
    params[0] = "7";
    EXPECT_EQ(run(params), clsCustomDOP::Written) << dop.lastErrorDescription().toStdString();
    EXPECT_EQ(readAll(out + "/SEIKYU.CSV"),
              "7,\"000123\",\"7000001\",\"261205\",\"123\",\"" + StoreCp932 + "\",166320,2\r\n");
}

} // namespace
