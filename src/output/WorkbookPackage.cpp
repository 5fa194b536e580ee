#include "output/WorkbookPackage.h"

#include "output/Workbook.h"
#include "store/Clock.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace wbxml {

std::string_view localName(pugi::xml_node node)
{
    std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string qualified(pugi::xml_node parent, std::string_view local)
{
    std::string_view name = parent.name();
    const auto colon = name.find(':');
    std::string out;
    if (colon != std::string_view::npos)
        out.assign(name.substr(0, colon + 1));
    out.append(local);
    return out;
}

namespace {
int orderIndex(Order order, std::string_view local)
{
    const auto it = std::find(order.begin(), order.end(), local);
    return it == order.end() ? -1 : int(it - order.begin());
}

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void *data, size_t size) override { out.append(static_cast<const char *>(data), size); }
};
} // namespace

pugi::xml_node child(pugi::xml_node parent, std::string_view local)
{
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element && localName(n) == local)
            return n;
    return {};
}

std::vector<pugi::xml_node> children(pugi::xml_node parent, std::string_view local)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element && localName(n) == local)
            out.push_back(n);
    return out;
}

pugi::xml_node appendChild(pugi::xml_node parent, std::string_view local)
{
    return parent.append_child(qualified(parent, local).c_str());
}

pugi::xml_node insertChildBefore(pugi::xml_node parent, std::string_view local, pugi::xml_node before)
{
    if (!before)
        return appendChild(parent, local);
    return parent.insert_child_before(qualified(parent, local).c_str(), before);
}

pugi::xml_node insertInOrder(pugi::xml_node parent, std::string_view local, Order order)
{
    const int own = orderIndex(order, local);
    pugi::xml_node after;
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element)
            continue;
        const int idx = orderIndex(order, localName(n));
        if (idx >= 0 && idx <= own)
            after = n;
    }
    const std::string name = qualified(parent, local);
    if (after)
        return parent.insert_child_after(name.c_str(), after);
    // Nothing that must precede it: it goes before the first element that
    // must follow it, or at the end of an empty parent.
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element && orderIndex(order, localName(n)) > own)
            return parent.insert_child_before(name.c_str(), n);
    return parent.append_child(name.c_str());
}

pugi::xml_node ensureChild(pugi::xml_node parent, std::string_view local, Order order)
{
    if (pugi::xml_node n = child(parent, local))
        return n;
    return insertInOrder(parent, local, order);
}

std::string relIdName(const pugi::xml_document &doc)
{
    for (pugi::xml_attribute a : doc.document_element().attributes()) {
        std::string_view name = a.name();
        std::string_view value = a.value();
        if (name.starts_with("xmlns:")
            && (value == "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
                || value == "http://purl.oclc.org/ooxml/officeDocument/relationships"))
            return std::string(name.substr(6)) + ":id";
    }
    return "r:id";
}

void setAttr(pugi::xml_node node, const char *name, const char *value)
{
    pugi::xml_attribute a = node.attribute(name);
    if (!a)
        a = node.append_attribute(name);
    a.set_value(value);
}

void setAttr(pugi::xml_node node, const char *name, long long value)
{
    setAttr(node, name, std::to_string(value).c_str());
}

std::string print(pugi::xml_node node)
{
    StringWriter w;
    node.print(w, "", pugi::format_raw);
    return w.out;
}

QByteArray printDocument(const pugi::xml_document &doc)
{
    StringWriter w;
    doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    return QByteArray::fromStdString(w.out);
}

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

std::string utf8(const QString &text)
{
    return text.toStdString();
}

} // namespace wbxml

namespace {

using wbxml::ParseFlags;

constexpr const char *RelsContentType = "application/vnd.openxmlformats-package.relationships+xml";
constexpr const char *ContentTypesPart = "[Content_Types].xml";

[[noreturn]] void damaged(const QString &path, const QString &detail)
{
    throw DbError(WorkbookErr::Refused,
                  QStringLiteral("ブックの形式が正しくありません。(%1: %2)").arg(path, detail));
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string directoryOf(const std::string &part)
{
    const auto slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// A relationship target against the folder of its source part, with "." and
// ".." resolved.
std::string resolveTarget(const std::string &sourceDir, const std::string &target)
{
    const std::string joined = target.starts_with('/') ? target.substr(1) : sourceDir + target;
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string seg = joined.substr(start, end - start);
        if (seg == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string &s : segments) {
        if (!out.empty())
            out += '/';
        out += s;
    }
    return out;
}

// A zip source reading a part from its pieces, in order.
struct PiecesReader {
    const PartPieces *pieces;
    qint64 position = 0;
    zip_error_t error;
};

zip_int64_t readPieces(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *r = static_cast<PiecesReader *>(state);
    const PartPieces &p = *r->pieces;
    const qint64 headEnd = p.head.size();
    const qint64 bodyEnd = headEnd + p.bodySize;
    const qint64 total = bodyEnd + p.tail.size();
    switch (command) {
    case ZIP_SOURCE_OPEN:
        r->position = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        char *out = static_cast<char *>(data);
        qint64 done = 0;
        while (done < qint64(length) && r->position < total) {
            const qint64 want = qint64(length) - done;
            qint64 got;
            if (r->position < headEnd) {
                got = std::min(want, headEnd - r->position);
                std::memcpy(out + done, p.head.constData() + r->position, size_t(got));
            } else if (r->position < bodyEnd) {
                const qint64 at = r->position - headEnd;
                if (p.body->pos() != at && !p.body->seek(at)) {
                    zip_error_set(&r->error, ZIP_ER_SEEK, 0);
                    return -1;
                }
                got = p.body->read(out + done, std::min(want, bodyEnd - r->position));
                if (got <= 0) {
                    zip_error_set(&r->error, ZIP_ER_READ, 0);
                    return -1;
                }
            } else {
                got = std::min(want, total - r->position);
                std::memcpy(out + done, p.tail.constData() + (r->position - bodyEnd), size_t(got));
            }
            done += got;
            r->position += got;
        }
        return done;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) {
            zip_error_set(&r->error, ZIP_ER_INVAL, 0);
            return -1;
        }
        auto *st = static_cast<zip_stat_t *>(data);
        zip_stat_init(st);
        st->size = zip_uint64_t(total);
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&r->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&r->error);
        delete r;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&r->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

void WorkbookPackage::load(const QString &path)
{
    path_ = path;
    const QFileInfo info(path);
    if (!info.exists())
        throw DbError(DbErr::FileNotFound, QStringLiteral("ファイルが見つかりません。(%1)").arg(path));
    if (info.isDir() || !info.isReadable())
        throw DbError(DbErr::PathAccess, QStringLiteral("ファイルを開けません。(%1)").arg(path));

    int code = 0;
    const QByteArray encoded = QFile::encodeName(path);
    zip_t *za = zip_open(encoded.constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za) {
        if (code == ZIP_ER_NOENT)
            throw DbError(DbErr::FileNotFound, QStringLiteral("ファイルが見つかりません。(%1)").arg(path));
        if (code == ZIP_ER_OPEN || code == ZIP_ER_READ || code == ZIP_ER_MEMORY)
            throw DbError(DbErr::PathAccess, QStringLiteral("ファイルを開けません。(%1)").arg(path));
        damaged(path, QStringLiteral("zip"));
    }

    entries_.clear();
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) != 0) {
            zip_close(za);
            damaged(path, QString::number(i));
        }
        Entry e;
        e.name = st.name;
        e.mtime = (st.valid & ZIP_STAT_MTIME) ? st.mtime : 0;
        e.directory = e.name.ends_with('/');
        if (!e.directory) {
            zip_file_t *f = zip_fopen_index(za, zip_uint64_t(i), 0);
            if (!f) {
                zip_close(za);
                damaged(path, wbxml::text(st.name));
            }
            e.bytes.resize(qsizetype(st.size));
            const zip_int64_t got = zip_fread(f, e.bytes.data(), st.size);
            zip_fclose(f);
            if (got < 0 || zip_uint64_t(got) != st.size) {
                zip_close(za);
                damaged(path, wbxml::text(st.name));
            }
        }
        entries_.push_back(std::move(e));
    }
    zip_discard(za); // opened read-only: nothing to write back
    if (!find(ContentTypesPart))
        damaged(path, wbxml::text(ContentTypesPart));
}

void WorkbookPackage::write(const QString &zipPath, const std::map<std::string, PartPieces> &pieces) const
{
    const auto fail = [this](const char *what) -> DbError {
        return DbError(DbErr::PathAccess,
                       QStringLiteral("ブックを書き出せません。(%1: %2)").arg(path_, wbxml::text(what)));
    };

    int code = 0;
    zip_t *za = zip_open(QFile::encodeName(zipPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const DbError err = fail(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw err;
    }

    // zip_source_buffer does not copy; the data must live until zip_close.
    std::vector<QByteArray> bytes;
    bytes.reserve(entries_.size());
    const std::time_t now = Clock::now().toSecsSinceEpoch();
    for (const Entry &e : entries_) {
        zip_int64_t index;
        if (e.directory) {
            index = zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            const auto piece = std::find_if(pieces.begin(), pieces.end(),
                                            [&](const auto &p) { return sameName(p.first, e.name); });
            zip_source_t *src = nullptr;
            if (piece != pieces.end()) {
                auto *reader = new PiecesReader{&piece->second, 0, {}};
                zip_error_init(&reader->error);
                src = zip_source_function(za, readPieces, reader);
                if (!src) {
                    zip_error_fini(&reader->error);
                    delete reader;
                }
            } else {
                bytes.push_back(e.dirty && e.doc ? wbxml::printDocument(*e.doc) : e.bytes);
                const QByteArray &data = bytes.back();
                src = zip_source_buffer(za, data.constData(), zip_uint64_t(data.size()), 0);
            }
            index = src ? zip_file_add(za, e.name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
            if (index < 0 && src)
                zip_source_free(src);
            // The long sheets get the fastest level: the best one takes
            // seconds more over a million rows for a file a third smaller.
            if (index >= 0)
                zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE, piece != pieces.end() ? 1 : 0);
        }
        if (index < 0) {
            const DbError err = fail(zip_strerror(za));
            zip_discard(za);
            throw err;
        }
        zip_file_set_mtime(za, zip_uint64_t(index), e.mtime ? e.mtime : now, 0);
    }
    if (zip_close(za) != 0) {
        const DbError err = fail(zip_strerror(za));
        zip_discard(za);
        throw err;
    }
}

WorkbookPackage::Entry *WorkbookPackage::find(const std::string &part)
{
    return const_cast<Entry *>(std::as_const(*this).find(part));
}

const WorkbookPackage::Entry *WorkbookPackage::find(const std::string &part) const
{
    for (const Entry &e : entries_)
        if (e.name == part)
            return &e;
    // Part names are case-insensitive in a package.
    for (const Entry &e : entries_)
        if (sameName(e.name, part))
            return &e;
    return nullptr;
}

bool WorkbookPackage::contains(const std::string &part) const
{
    return find(part) != nullptr;
}

pugi::xml_document &WorkbookPackage::xml(const std::string &part)
{
    Entry *e = find(part);
    if (!e || e->directory)
        damaged(path_, wbxml::text(part.c_str()));
    if (!e->doc) {
        auto doc = std::make_unique<pugi::xml_document>();
        const pugi::xml_parse_result r =
            doc->load_buffer(e->bytes.constData(), size_t(e->bytes.size()), ParseFlags, pugi::encoding_auto);
        if (!r || !doc->document_element())
            damaged(path_, QStringLiteral("%1: %2").arg(wbxml::text(part.c_str()), wbxml::text(r.description())));
        e->doc = std::move(doc);
    }
    return *e->doc;
}

pugi::xml_document &WorkbookPackage::edit(const std::string &part)
{
    pugi::xml_document &doc = xml(part);
    find(part)->dirty = true;
    return doc;
}

pugi::xml_document &WorkbookPackage::addXmlPart(const std::string &part, const char *contentType)
{
    Entry e;
    e.name = part;
    e.doc = std::make_unique<pugi::xml_document>();
    pugi::xml_node decl = e.doc->append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "yes";
    e.dirty = true;
    entries_.push_back(std::move(e));
    pugi::xml_document &doc = *entries_.back().doc;

    pugi::xml_node types = edit(ContentTypesPart).document_element();
    if (contentType) {
        pugi::xml_node o = wbxml::appendChild(types, "Override");
        o.append_attribute("PartName") = ("/" + part).c_str();
        o.append_attribute("ContentType") = contentType;
    }
    return doc;
}

void WorkbookPackage::removePart(const std::string &part)
{
    const std::string rels = relsPart(part);
    if (contains(rels))
        removePart(rels);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry &e) { return sameName(e.name, part); });
    if (it != entries_.end())
        entries_.erase(it);
    pugi::xml_node types = xml(ContentTypesPart).document_element();
    for (pugi::xml_node o : wbxml::children(types, "Override")) {
        std::string_view name = o.attribute("PartName").value();
        if (name.starts_with('/') && sameName(name.substr(1), part)) {
            edit(ContentTypesPart);
            types.remove_child(o);
        }
    }
}

std::string WorkbookPackage::relsPart(const std::string &source)
{
    if (source.empty())
        return "_rels/.rels";
    const std::string dir = directoryOf(source);
    return dir + "_rels/" + source.substr(dir.size()) + ".rels";
}

std::vector<WorkbookPackage::Relationship> WorkbookPackage::relationships(const std::string &source)
{
    std::vector<Relationship> out;
    const std::string rels = relsPart(source);
    if (!contains(rels))
        return out;
    const std::string dir = directoryOf(source);
    for (pugi::xml_node r : wbxml::children(xml(rels).document_element(), "Relationship")) {
        Relationship rel;
        rel.id = r.attribute("Id").value();
        rel.type = r.attribute("Type").value();
        rel.external = std::string_view(r.attribute("TargetMode").value()) == "External";
        rel.target = rel.external ? r.attribute("Target").value() : resolveTarget(dir, r.attribute("Target").value());
        out.push_back(std::move(rel));
    }
    return out;
}

std::string WorkbookPackage::related(const std::string &source, std::string_view typeName)
{
    for (const Relationship &r : relationships(source)) {
        const std::string_view type = r.type;
        if (!r.external && type.ends_with(typeName) && type.size() > typeName.size()
            && type[type.size() - typeName.size() - 1] == '/')
            return r.target;
    }
    return {};
}

void WorkbookPackage::removeRelationship(const std::string &source, const std::string &id)
{
    const std::string rels = relsPart(source);
    if (!contains(rels))
        return;
    pugi::xml_node root = edit(rels).document_element();
    for (pugi::xml_node r : wbxml::children(root, "Relationship"))
        if (id == r.attribute("Id").value())
            root.remove_child(r);
    if (wbxml::children(root, "Relationship").empty())
        removePart(rels);
}

std::string WorkbookPackage::addRelationship(const std::string &source, const std::string &type,
                                             const std::string &targetPart)
{
    const std::string rels = relsPart(source);
    if (!contains(rels)) {
        pugi::xml_document &doc = addXmlPart(rels, nullptr);
        doc.append_child("Relationships").append_attribute("xmlns") =
            "http://schemas.openxmlformats.org/package/2006/relationships";
        // Relationship parts are normally typed by extension; add that
        // default when the package has none.
        pugi::xml_node types = edit(ContentTypesPart).document_element();
        bool typed = false;
        for (pugi::xml_node d : wbxml::children(types, "Default"))
            typed = typed || sameName(d.attribute("Extension").value(), "rels");
        if (!typed) {
            pugi::xml_node d = wbxml::insertChildBefore(types, "Default", types.first_child());
            d.append_attribute("Extension") = "rels";
            d.append_attribute("ContentType") = RelsContentType;
        }
    }
    pugi::xml_node root = edit(rels).document_element();
    int next = 1;
    for (pugi::xml_node r : wbxml::children(root, "Relationship")) {
        std::string_view id = r.attribute("Id").value();
        if (id.starts_with("rId"))
            next = std::max(next, std::atoi(std::string(id.substr(3)).c_str()) + 1);
    }
    const std::string id = "rId" + std::to_string(next);
    const std::string dir = directoryOf(source);
    const std::string target =
        (!dir.empty() && targetPart.starts_with(dir)) ? targetPart.substr(dir.size()) : "/" + targetPart;
    pugi::xml_node r = wbxml::appendChild(root, "Relationship");
    r.append_attribute("Id") = id.c_str();
    r.append_attribute("Type") = type.c_str();
    r.append_attribute("Target") = target.c_str();
    return id;
}
