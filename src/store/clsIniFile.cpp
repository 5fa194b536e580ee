#include "store/clsIniFile.h"

#include "store/Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>
#include <vector>

namespace {

// Windows trims blanks and tabs only; a full-width space (U+3000) is part
// of a Japanese value and stays.
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

QString trimBlanks(const QString &s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Line {
    enum Kind { Blank, Comment, Section, Key, Other };

    QByteArray bytes; // the line as stored, without its line end
    QByteArray end;   // "\r\n", "\n", or empty for a last line without one
    Kind kind = Other;
    QString name;     // section name or key, trimmed
    QString value;    // key value, trimmed

    void classify()
    {
        const QString text = trimBlanks(cp932::decode(bytes));
        name.clear();
        value.clear();
        if (text.isEmpty()) {
            kind = Blank;
        } else if (text.startsWith(QLatin1Char(';'))) {
            kind = Comment;
        } else if (text.startsWith(QLatin1Char('['))) {
            kind = Section;
            const qsizetype close = text.indexOf(QLatin1Char(']'));
            name = trimBlanks(close < 0 ? text.mid(1) : text.mid(1, close - 1));
        } else if (const qsizetype eq = text.indexOf(QLatin1Char('=')); eq > 0) {
            kind = Key;
            name = trimBlanks(text.left(eq));
            value = trimBlanks(text.mid(eq + 1));
            if (name.isEmpty())
                kind = Other;
        } else {
            kind = Other;
        }
    }
};

// The file as a list of lines, each keeping its own bytes and line end so
// that untouched lines are written back exactly.
class Document
{
public:
    enum class State { Missing, Loaded, Unreadable };

    State load(const QString &path)
    {
        m_lines.clear();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QFileInfo::exists(path) ? State::Unreadable : State::Missing;
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return State::Unreadable;

        // A CP932 trail byte is never 0x0A or 0x0D, so line ends can be
        // found on the raw bytes.
        qsizetype pos = 0;
        while (pos < data.size()) {
            const qsizetype nl = data.indexOf('\n', pos);
            Line line;
            if (nl < 0) {
                line.bytes = data.mid(pos);
                pos = data.size();
            } else {
                line.bytes = data.mid(pos, nl - pos);
                line.end = "\n";
                if (line.bytes.endsWith('\r')) {
                    line.bytes.chop(1);
                    line.end = "\r\n";
                }
                pos = nl + 1;
            }
            line.classify();
            m_lines.push_back(std::move(line));
        }
        return State::Loaded;
    }

    bool save(const QString &path) const
    {
        QByteArray data;
        for (const Line &line : m_lines)
            data += line.bytes + line.end;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        if (file.write(data) != data.size()) {
            file.cancelWriting();
            return false;
        }
        return file.commit();
    }

    const std::vector<Line> &lines() const { return m_lines; }

    // [header, end) of the first section named `name`; header is -1 when
    // there is none.
    std::pair<qsizetype, qsizetype> sectionRange(const QString &name, qsizetype from = 0) const
    {
        const QString wanted = trimBlanks(name);
        for (qsizetype i = from; i < size(); ++i) {
            if (m_lines[i].kind == Line::Section && sameName(m_lines[i].name, wanted))
                return {i, nextSection(i + 1)};
        }
        return {-1, -1};
    }

    qsizetype findKey(const QString &section, const QString &key) const
    {
        const QString wanted = trimBlanks(key);
        const auto [header, end] = sectionRange(section);
        for (qsizetype i = header + 1; header >= 0 && i < end; ++i) {
            if (m_lines[i].kind == Line::Key && sameName(m_lines[i].name, wanted))
                return i;
        }
        return -1;
    }

    void setValue(qsizetype index, const QString &value)
    {
        Line &line = m_lines[index];
        line.bytes = cp932::encode(line.name + QLatin1Char('=') + value);
        line.classify();
    }

    // Adds key=value at the end of `section`: after its last key line, so
    // that comments standing above the next section stay with that one.
    void addKey(const QString &section, const QString &key, const QString &value)
    {
        const auto [header, end] = sectionRange(section);
        qsizetype at;
        if (header < 0) {
            insert(size(), cp932::encode(QLatin1Char('[') + section + QLatin1Char(']')));
            at = size();
        } else {
            at = header + 1;
            for (qsizetype i = header + 1; i < end; ++i) {
                if (m_lines[i].kind == Line::Key || m_lines[i].kind == Line::Other)
                    at = i + 1;
            }
        }
        insert(at, cp932::encode(key + QLatin1Char('=') + value));
    }

    bool removeKey(const QString &section, const QString &key)
    {
        bool removed = false;
        for (qsizetype i = findKey(section, key); i >= 0; i = findKey(section, key)) {
            m_lines.erase(m_lines.begin() + i);
            removed = true;
        }
        return removed;
    }

    // Removes every section of that name (a hand-edited file may repeat
    // one, and a deleted section must not reappear from its twin). Kept:
    // a run of comments directly above the next header, which describes
    // that next section.
    bool removeSection(const QString &name)
    {
        bool removed = false;
        for (auto [header, end] = sectionRange(name); header >= 0; std::tie(header, end) = sectionRange(name, header)) {
            qsizetype keepFrom = end;
            if (end < size()) {
                while (keepFrom - 1 > header
                       && (m_lines[keepFrom - 1].kind == Line::Comment || m_lines[keepFrom - 1].kind == Line::Blank))
                    --keepFrom;
                while (keepFrom < end && m_lines[keepFrom].kind == Line::Blank)
                    ++keepFrom;
            }
            m_lines.erase(m_lines.begin() + header, m_lines.begin() + keepFrom);
            removed = true;
        }
        return removed;
    }

private:
    qsizetype size() const { return qsizetype(m_lines.size()); }

    qsizetype nextSection(qsizetype from) const
    {
        qsizetype i = from;
        while (i < size() && m_lines[i].kind != Line::Section)
            ++i;
        return i;
    }

    // New lines take the line end the file already uses; a new file gets
    // CR LF, as Windows writes it.
    QByteArray lineEnd() const
    {
        for (const Line &line : m_lines) {
            if (!line.end.isEmpty())
                return line.end;
        }
        return "\r\n";
    }

    void insert(qsizetype at, const QByteArray &bytes)
    {
        const QByteArray end = lineEnd();
        if (at > 0 && m_lines[at - 1].end.isEmpty())
            m_lines[at - 1].end = end;
        Line line;
        line.bytes = bytes;
        line.end = end;
        line.classify();
        m_lines.insert(m_lines.begin() + at, std::move(line));
    }

    std::vector<Line> m_lines;
};

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// What Windows does to a value it hands out: a matching pair of quotes
// around it is dropped.
QString unquoted(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

qint32 clsIniFile::EmnumSection(QStringList &sections) const
{
    sections.clear();
    Document doc;
    if (doc.load(m_fileName) != Document::State::Loaded)
        return 0;
    for (const Line &line : doc.lines()) {
        if (line.kind != Line::Section || line.name.isEmpty())
            continue;
        bool seen = false;
        for (const QString &s : std::as_const(sections))
            seen = seen || sameName(s, line.name);
        if (!seen)
            sections.append(line.name);
    }
    return qint32(sections.size());
}

qint32 clsIniFile::EnumSectionString(QStringList &lines) const
{
    lines.clear();
    Document doc;
    if (m_section.isEmpty() || doc.load(m_fileName) != Document::State::Loaded)
        return 0;
    const auto [header, end] = doc.sectionRange(m_section);
    for (qsizetype i = header + 1; header >= 0 && i < end; ++i) {
        const Line &line = doc.lines()[size_t(i)];
        if (line.kind == Line::Key)
            lines.append(line.name + QLatin1Char('=') + line.value);
    }
    return qint32(lines.size());
}

void clsIniFile::DeleteKeyName(const QString &key)
{
    Document doc;
    if (m_section.isEmpty() || doc.load(m_fileName) != Document::State::Loaded)
        return;
    if (doc.removeKey(m_section, key))
        doc.save(m_fileName);
}

void clsIniFile::DeleteSection(QString &section)
{
    if (section.isEmpty())
        section = m_section;
    Document doc;
    if (section.isEmpty() || doc.load(m_fileName) != Document::State::Loaded)
        return;
    if (doc.removeSection(section))
        doc.save(m_fileName);
}

bool clsIniFile::SetString(const QString &key, const QString &value)
{
    const QString name = trimBlanks(key);
    const QString section = trimBlanks(m_section);
    if (m_fileName.isEmpty() || section.isEmpty() || section.contains(QLatin1Char(']'))
        || hasLineBreak(section) || name.isEmpty() || name.contains(QLatin1Char('='))
        || name.startsWith(QLatin1Char('[')) || name.startsWith(QLatin1Char(';'))
        || hasLineBreak(name) || hasLineBreak(value))
        return false;

    Document doc;
    // An unreadable file is not rewritten from nothing: that would drop
    // every other setting in it.
    if (doc.load(m_fileName) == Document::State::Unreadable)
        return false;
    if (const qsizetype at = doc.findKey(section, name); at >= 0)
        doc.setValue(at, value);
    else
        doc.addKey(section, name, value);
    return doc.save(m_fileName);
}

QString clsIniFile::GetString(const QString &key, const QString &defaultValue) const
{
    Document doc;
    if (m_section.isEmpty() || doc.load(m_fileName) != Document::State::Loaded)
        return defaultValue;
    const qsizetype at = doc.findKey(m_section, key);
    if (at < 0)
        return defaultValue;
    const QString value = unquoted(doc.lines()[size_t(at)].value);
    return value.isEmpty() ? defaultValue : value;
}

qint32 clsIniFile::GetInteger(const QString &key, qint32 defaultValue) const
{
    const QString text = GetString(key, QString());
    if (text.isEmpty())
        return defaultValue;

    qsizetype i = 0;
    bool negative = false;
    if (text.at(0) == QLatin1Char('-') || text.at(0) == QLatin1Char('+')) {
        negative = text.at(0) == QLatin1Char('-');
        ++i;
    }
    constexpr qint64 limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 n = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        n = qMin(n * 10 + (text.at(i).unicode() - '0'), limit);
    if (negative)
        return qint32(-n);
    return qint32(qMin(n, limit - 1));
}
