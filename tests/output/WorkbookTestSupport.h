#pragma once
// What the workbook tests share: packages written and read by the test
// itself (libzip, pugixml), the fixture and small helpers. The tests check
// the component on what a spreadsheet application reads: each saves, then
// opens the package itself or through a fresh Workbook, never trusting the
// in-memory state.

#include "output/Workbook.h"
#include "support/LibreOffice.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>


inline void PrintTo(const CellValue &v, std::ostream *os)
{
    static const char *const types[] = {"Empty", "Text", "Number", "Boolean", "Error"};
    *os << types[int(v.type)] << "(";
    if (v.type == CellValue::Type::Number || v.type == CellValue::Type::Boolean)
        *os << v.number;
    else
        PrintTo(v.text, os);
    *os << ")";
}

// A named namespace: the fixture is one class in every test file.
namespace wbtest {

inline QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// --- Packages written and read by the test itself --------------------------

using Parts = std::map<std::string, std::string>;

constexpr const char *MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char *RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char *RelTypes = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

inline std::string contentTypeOf(const std::string &part)
{
    const std::string sml = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    if (part == "xl/workbook.xml")
        return sml + "sheet.main+xml";
    if (part.starts_with("xl/worksheets/sheet"))
        return sml + "worksheet+xml";
    if (part == "xl/styles.xml")
        return sml + "styles+xml";
    if (part == "xl/sharedStrings.xml")
        return sml + "sharedStrings+xml";
    if (part.starts_with("xl/pivotTables/pivotTable"))
        return sml + "pivotTable+xml";
    if (part.starts_with("xl/pivotCache/pivotCacheDefinition"))
        return sml + "pivotCacheDefinition+xml";
    if (part.starts_with("xl/pivotCache/pivotCacheRecords"))
        return sml + "pivotCacheRecords+xml";
    return {};
}

// Writes the parts as a package, with a content-types part made for them.
inline void writePackage(const QString &path, const Parts &parts)
{
    std::string types = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                        R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
                        R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
                        R"(<Default Extension="xml" ContentType="application/xml"/>)"
                        R"(<Default Extension="png" ContentType="image/png"/>)";
    for (const auto &[name, bytes] : parts)
        if (const std::string ct = contentTypeOf(name); !ct.empty())
            types += "<Override PartName=\"/" + name + "\" ContentType=\"" + ct + "\"/>";
    types += "</Types>";

    int error = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(za, nullptr) << error;
    const auto add = [&](const std::string &name, const std::string &bytes) {
        zip_source_t *src = zip_source_buffer(za, bytes.data(), bytes.size(), 0);
        ASSERT_GE(zip_file_add(za, name.c_str(), src, 0), 0) << name;
    };
    add("[Content_Types].xml", types);
    for (const auto &[name, bytes] : parts)
        add(name, bytes);
    ASSERT_EQ(zip_close(za), 0);
}

inline std::map<std::string, std::string> readPackage(const QString &path)
{
    std::map<std::string, std::string> out;
    int error = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!za) {
        ADD_FAILURE() << "not a zip package: " << path.toStdString() << " (" << error << ")";
        return out;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, zip_uint64_t(i), 0, &st);
        std::string bytes(st.size, '\0');
        zip_file_t *f = zip_fopen_index(za, zip_uint64_t(i), 0);
        const zip_int64_t got = zip_fread(f, bytes.data(), st.size);
        zip_fclose(f);
        EXPECT_EQ(got, zip_int64_t(st.size)) << st.name;
        out[st.name] = bytes;
    }
    zip_discard(za);
    return out;
}

inline std::string worksheet(const std::string &body)
{
    return std::string("<worksheet xmlns=\"") + MainNs + "\" xmlns:r=\"" + RelNs + "\">" + body + "</worksheet>";
}

constexpr const char *PlainStyles =
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="IPAゴシック"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

// A small workbook: its sheets (name and worksheet body), with or without a
// shared-strings part, plus whatever a test adds.
struct Book {
    std::vector<std::pair<std::string, std::string>> sheets;
    bool sharedStrings = true;
    std::string sharedItems;   // <si> elements
    std::string styles = PlainStyles;
    std::string workbookExtra; // elements after <sheets>
    std::string workbookRels;  // more <Relationship> elements
    Parts extra;

    Parts parts() const
    {
        Parts p = extra;
        p["_rels/.rels"] = std::string(R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)")
                           + "<Relationship Id=\"rId1\" Type=\"" + RelTypes + "officeDocument\" Target=\"xl/workbook.xml\"/>"
                           + "</Relationships>";
        std::string wb = std::string("<workbook xmlns=\"") + MainNs + "\" xmlns:r=\"" + RelNs + "\"><sheets>";
        std::string rels = R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
        for (size_t i = 0; i < sheets.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            wb += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
            rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + RelTypes + "worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
            p["xl/worksheets/sheet" + n + ".xml"] = worksheet(sheets[i].second);
        }
        wb += "</sheets>" + workbookExtra + "</workbook>";
        rels += std::string("<Relationship Id=\"rIdS\" Type=\"") + RelTypes + "styles\" Target=\"styles.xml\"/>";
        p["xl/styles.xml"] = styles;
        if (sharedStrings) {
            rels += std::string("<Relationship Id=\"rIdT\" Type=\"") + RelTypes + "sharedStrings\" Target=\"sharedStrings.xml\"/>";
            p["xl/sharedStrings.xml"] = std::string("<sst xmlns=\"") + MainNs + "\">" + sharedItems + "</sst>";
        }
        rels += workbookRels + "</Relationships>";
        p["xl/workbook.xml"] = wb;
        p["xl/_rels/workbook.xml.rels"] = rels;
        return p;
    }
};

// A parsed part of a saved package, kept alive by the test fixture.
class Saved {
public:
    explicit Saved(const QString &path) : parts_(readPackage(path)) {}
    bool has(const std::string &part) const { return parts_.count(part) > 0; }
    const std::string &bytes(const std::string &part) const { return parts_.at(part); }
    const std::map<std::string, std::string> &all() const { return parts_; }
    pugi::xml_node xml(const std::string &part)
    {
        auto &doc = docs_[part];
        if (!doc) {
            doc = std::make_unique<pugi::xml_document>();
            EXPECT_TRUE(has(part)) << part;
            if (has(part)) {
                const auto r = doc->load_buffer(parts_.at(part).data(), parts_.at(part).size());
                EXPECT_TRUE(r) << part << ": " << r.description();
            }
        }
        return doc->document_element();
    }
    std::string attr(const std::string &part, const char *xpath, const char *name)
    {
        return xml(part).select_node(xpath).node().attribute(name).value();
    }

private:
    std::map<std::string, std::string> parts_;
    std::map<std::string, std::unique_ptr<pugi::xml_document>> docs_;
};

inline void expectDbError(const std::function<void()> &action, int number)
{
    try {
        action();
        ADD_FAILURE() << "no error, expected number " << number;
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), number) << e.description().toStdString();
        EXPECT_FALSE(e.description().isEmpty());
    }
}

inline QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QString changeHistTemplate()
{
    return QStringLiteral(TOBARI_TEMPLATE_DIR "/COR/ChangeHist");
}

class WorkbookTest : public ::testing::Test {
protected:
    QString write(const Book &book, const QString &name = QStringLiteral("book.xls"))
    {
        const QString path = dir.filePath(name);
        writePackage(path, book.parts());
        return path;
    }
    // A copy of the built template, as the callers make one.
    QString copyOfChangeHist()
    {
        const QString path = dir.filePath(QStringLiteral("CH20240520_101500.xls"));
        EXPECT_TRUE(QFile::copy(changeHistTemplate(), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    QTemporaryDir dir;
};

inline Book oneSheet(const std::string &body, bool sharedStrings = true)
{
    Book b;
    b.sheets = {{"Sheet1", body}};
    b.sharedStrings = sharedStrings;
    return b;
}


} // namespace wbtest

using namespace wbtest;
