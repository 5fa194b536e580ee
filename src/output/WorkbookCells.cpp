#include "output/WorkbookInternal.h"
#include "store/Cp932.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

using wbxml::child;
using wbxml::children;
using wbxml::setAttr;
using namespace wbimpl;

namespace wbimpl {

// --- Cell and column references ---------------------------------------------

int columnNumber(std::string_view letters)
{
    if (letters.empty() || letters.size() > 3)
        return 0;
    int n = 0;
    for (char ch : letters) {
        const char c = char(std::toupper(static_cast<unsigned char>(ch)));
        if (c < 'A' || c > 'Z')
            return 0;
        n = n * 26 + (c - 'A' + 1);
    }
    return n <= MaxColumns ? n : 0;
}

std::string columnLetters(int column)
{
    std::string out;
    while (column > 0) {
        const int rem = (column - 1) % 26;
        out.insert(out.begin(), char('A' + rem));
        column = (column - 1) / 26;
    }
    return out;
}

std::string cellName(int row, int column)
{
    return columnLetters(column) + std::to_string(row);
}

// "A1", "$A$1" (the row may be absent when `rowOptional`: "A", "$A").
bool parseCell(std::string_view ref, int &row, int &column, bool rowOptional)
{
    size_t i = 0;
    if (i < ref.size() && ref[i] == '$')
        ++i;
    const size_t letters = i;
    while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])))
        ++i;
    column = columnNumber(ref.substr(letters, i - letters));
    if (i < ref.size() && ref[i] == '$')
        ++i;
    if (i == ref.size() && rowOptional) {
        row = 0;
        return column > 0;
    }
    row = 0;
    const auto r = std::from_chars(ref.data() + i, ref.data() + ref.size(), row);
    return column > 0 && r.ec == std::errc() && r.ptr == ref.data() + ref.size() && row >= 1 && row <= MaxRows;
}

// The column of a cell element by its reference.
int columnOf(pugi::xml_node c)
{
    int row = 0, column = 0;
    parseCell(c.attribute("r").value(), row, column);
    return column;
}

// "A:K", "C:IV", "B".
ColumnRange parseColumns(const QString &text)
{
    const std::string s = wbxml::utf8(text.trimmed());
    const auto colon = s.find(':');
    int row = 0;
    ColumnRange r{0, 0};
    const bool ok = parseCell(s.substr(0, colon), row, r.first, true) && row == 0
                    && (colon == std::string::npos
                            ? (r.last = r.first, true)
                            : parseCell(s.substr(colon + 1), row, r.last, true) && row == 0);
    if (!ok)
        refuse(QStringLiteral("列の範囲 \"%1\" が正しくありません。").arg(text));
    if (r.first > r.last)
        std::swap(r.first, r.last);
    return r;
}

bool parseCellRange(std::string_view s, CellRange &r)
{
    const auto colon = s.find(':');
    if (!parseCell(s.substr(0, colon), r.row1, r.column1))
        return false;
    if (colon == std::string_view::npos) {
        r.row2 = r.row1;
        r.column2 = r.column1;
    } else if (!parseCell(s.substr(colon + 1), r.row2, r.column2)) {
        return false;
    }
    if (r.row1 > r.row2)
        std::swap(r.row1, r.row2);
    if (r.column1 > r.column2)
        std::swap(r.column1, r.column2);
    return true;
}

CellRange parseCells(const QString &text)
{
    CellRange r{};
    if (!parseCellRange(wbxml::utf8(text.trimmed()), r))
        refuse(QStringLiteral("セル範囲 \"%1\" が正しくありません。").arg(text));
    return r;
}

void checkCell(int row, int column)
{
    if (row < 1 || row > MaxRows || column < 1 || column > MaxColumns)
        refuse(QStringLiteral("セルの位置が正しくありません。(行 %1, 列 %2)").arg(row).arg(column));
}

// --- Texts and numbers ------------------------------------------------------

// Characters XML 1.0 cannot carry, and a carriage return (which an XML
// reader turns into a line feed), are written as _xHHHH_; a literal "_xHHHH_"
// in the text gets its underscore escaped the same way so it reads back as
// written.
bool isEscapeAt(const QString &s, qsizetype i)
{
    if (i + 7 > s.size() || s[i] != u'_' || s[i + 1] != u'x' || s[i + 6] != u'_')
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k)
        if (!isxdigit(s[k].unicode() < 0x80 ? s[k].toLatin1() : 'g'))
            return false;
    return true;
}

QString encodeXstring(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool control = (c < 0x20 && c != u'\t' && c != u'\n') || c == 0xFFFE || c == 0xFFFF;
        if (control || isEscapeAt(text, i))
            out += QStringLiteral("_x%1_").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper().replace(u'X', u'x');
        else
            out += text[i];
    }
    return out;
}

QString decodeXstring(const QString &text)
{
    if (!text.contains(u"_x"))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isEscapeAt(text, i)) {
            out += QChar(char16_t(text.mid(i + 2, 4).toUInt(nullptr, 16)));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

void writeTextElement(pugi::xml_node t, const QString &text)
{
    t.remove_attribute("xml:space");
    bool plain = true;
    for (qsizetype i = 0; plain && i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        plain = !((c < 0x20 && c != u'\t' && c != u'\n') || c == 0xFFFE || c == 0xFFFF || (c == u'_' && isEscapeAt(text, i)));
    }
    t.text().set((plain ? text : encodeXstring(text)).toUtf8().constData());
    // Blanks at either end are kept only when the element says so.
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; };
    if (!text.isEmpty() && (blank(text.front()) || blank(text.back())))
        setAttr(t, "xml:space", "preserve");
}

// The text of a shared-string item or an inline string: the plain text or
// the runs of rich text, without the phonetic (furigana) runs.
QString itemText(pugi::xml_node item)
{
    QString out;
    for (pugi::xml_node n : item.children()) {
        const std::string_view name = wbxml::localName(n);
        if (name == "t") {
            out += wbxml::text(n.text().get());
        } else if (name == "r") {
            for (pugi::xml_node t : children(n, "t"))
                out += wbxml::text(t.text().get());
        }
    }
    return decodeXstring(out);
}

std::string numberText(double value)
{
    if (value == 0)
        value = 0; // no "-0"
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

QString groupedInteger(double value)
{
    const double rounded = std::round(std::fabs(value));
    QString digits = QString::number(rounded, 'f', 0);
    for (qsizetype pos = digits.size() - 3; pos > 0; pos -= 3)
        digits.insert(pos, u',');
    return (value < 0 && rounded != 0 ? QStringLiteral("-") : QString()) + digits;
}

// A number as the General format shows it: at most eleven characters.
QString generalNumber(double value)
{
    QString s = wbxml::text(numberText(value).c_str());
    for (int precision = 10; s.size() > 11 && precision > 1; --precision)
        s = QString::number(value, 'g', precision);
    return s;
}

// Shown text of a number under the built-in formats a template uses.
QString shownNumber(double value, int numFmtId)
{
    switch (numFmtId) {
    case 1:
        return QString::number(std::round(value), 'f', 0);
    case 2:
        return QString::number(value, 'f', 2);
    case 3:
    case 37:
    case 38:
        return groupedInteger(value);
    case 4:
        return groupedInteger(std::trunc(value)) + QString::number(std::fabs(std::fmod(value, 1.0)), 'f', 2).mid(1);
    default:
        return generalNumber(value);
    }
}

// The column width that fits `units` half-width characters: the margins on
// both sides of a cell take about one more.
double fittedWidth(double units)
{
    const double width = std::ceil((units + 1.0) * 256.0) / 256.0;
    return std::min(width, 255.0);
}

std::string widthText(double width)
{
    return numberText(width);
}

} // namespace wbimpl
