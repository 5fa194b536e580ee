#pragma once
// The workbook as a package: the zip entries, the XML parts parsed on
// demand, their relationships and content types. Only parts that were
// edited are written anew; every other entry is written back with the bytes
// it was read with.
//
// Internal to the Workbook component.

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <pugixml.hpp>

#include <ctime>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace wbxml {

// Producers disagree on namespace prefixes (Excel writes the main namespace
// as the default one, other tools write "x:"), so elements are matched by
// their local name and new elements take their parent's prefix.
std::string_view localName(pugi::xml_node node);
pugi::xml_node child(pugi::xml_node parent, std::string_view local);
std::vector<pugi::xml_node> children(pugi::xml_node parent, std::string_view local);
// `local` with the prefix of `parent` ("x:c" under "x:row").
std::string qualified(pugi::xml_node parent, std::string_view local);
pugi::xml_node appendChild(pugi::xml_node parent, std::string_view local);
pugi::xml_node insertChildBefore(pugi::xml_node parent, std::string_view local, pugi::xml_node before);

// The schema fixes the order of an element's children (Excel refuses a
// worksheet whose sheetProtection follows its pageMargins); `order` lists the
// local names of the parent's sequence. The new child goes after the last
// existing child that comes before it in the sequence.
using Order = std::span<const std::string_view>;
pugi::xml_node insertInOrder(pugi::xml_node parent, std::string_view local, Order order);
pugi::xml_node ensureChild(pugi::xml_node parent, std::string_view local, Order order);

// The qualified name of the relationship-id attribute ("r:id") as declared on
// the part's root element.
std::string relIdName(const pugi::xml_document &doc);

// Sets an attribute, adding it when missing.
void setAttr(pugi::xml_node node, const char *name, const char *value);
void setAttr(pugi::xml_node node, const char *name, long long value);

// The node printed without formatting: two nodes print alike exactly when
// they hold the same formatting record.
std::string print(pugi::xml_node node);
// A whole part as it is written into the package.
QByteArray printDocument(const pugi::xml_document &doc);

// Whitespace-only text is kept when it is an element's only content, so a
// cell text of one blank survives a round trip.
inline constexpr unsigned ParseFlags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;

QString text(const char *utf8);
std::string utf8(const QString &text);

} // namespace wbxml

// A part written from pieces instead of its document: bytes held in memory
// around the contents of a device (the rows of a long sheet, written out
// while it was filled).
struct PartPieces {
    QByteArray head;
    QIODevice *body = nullptr;
    qint64 bodySize = 0;
    QByteArray tail;
};

class WorkbookPackage {
public:
    struct Relationship {
        std::string id;
        std::string type;   // full type URI
        std::string target; // resolved part name, without a leading '/'
        bool external = false;
    };

    // Throws DbError (53, 75, 1004).
    void load(const QString &path);
    // Writes the package as a zip file at `zipPath`; the parts named in
    // `pieces` are taken from there.
    void write(const QString &zipPath, const std::map<std::string, PartPieces> &pieces) const;

    bool contains(const std::string &part) const;
    // The parsed part; throws 1004 when it is missing or malformed.
    pugi::xml_document &xml(const std::string &part);
    // The parsed part, marked to be written on save.
    pugi::xml_document &edit(const std::string &part);

    // A new XML part with its content type; the caller adds the relationship.
    pugi::xml_document &addXmlPart(const std::string &part, const char *contentType);
    // Removes the entry and its content-type override, together with the
    // part's own relationships file. Relationships pointing at it are the
    // caller's to remove.
    void removePart(const std::string &part);

    // Relationships of `source` ("" for the package itself). Types compare by
    // their last segment, which transitional and strict files share.
    std::vector<Relationship> relationships(const std::string &source);
    // The first internal target of that type, or empty.
    std::string related(const std::string &source, std::string_view typeName);
    void removeRelationship(const std::string &source, const std::string &id);
    // Returns the new relationship's id.
    std::string addRelationship(const std::string &source, const std::string &type,
                                const std::string &targetPart);

private:
    struct Entry {
        std::string name;
        QByteArray bytes;
        std::time_t mtime = 0;
        bool directory = false;
        std::unique_ptr<pugi::xml_document> doc;
        bool dirty = false;
    };
    Entry *find(const std::string &part);
    const Entry *find(const std::string &part) const;
    static std::string relsPart(const std::string &source);

    QString path_;
    std::vector<Entry> entries_;
};
