#include "store/GridColumns.h"

#include "store/Database.h"
#include "store/Literals.h"
#include "store/NumericText.h"

namespace {

// The type letter and the width take the last six characters of an alias.
constexpr int AliasTailLength = 6;
constexpr int WidthDigits = 5;

void describeStandard(GridColumn &c)
{
    // Every column starts hidden; only a letter that names a presentation
    // shows it, so a misspelt alias hides a column rather than showing raw data.
    switch (c.letter.unicode()) {
    case u'S':
        c.align = GridAlign::Left;
        c.readOnly = c.visible = true;
        break;
    case u's':
        c.align = GridAlign::Centre;
        c.readOnly = c.visible = true;
        break;
    case u'L':
        c.align = GridAlign::Right;
        c.format = GridFormat::Whole;
        c.readOnly = c.visible = true;
        break;
    case u'C':
        c.align = GridAlign::Right;
        c.format = GridFormat::TwoDecimals;
        c.readOnly = c.visible = true;
        break;
    case u'F':
        // An editable value that the screen shows itself when it needs it.
        c.readOnly = false;
        break;
    case u'B':
        c.align = GridAlign::Centre;
        c.readOnly = c.visible = c.button = true;
        break;
    case u'b':
        c.align = GridAlign::Centre;
        c.visible = c.checkBox = true;
        c.readOnly = false;
        break;
    case u'D':
        c.align = GridAlign::Centre;
        c.format = GridFormat::DateSlashed;
        c.readOnly = c.visible = true;
        break;
    case u'd':
        c.align = GridAlign::Centre;
        c.format = GridFormat::DateSlashed;
        c.readOnly = c.visible = c.button = true;
        break;
    case u'T':
        c.align = GridAlign::Centre;
        c.format = GridFormat::Time;
        c.readOnly = c.visible = true;
        break;
    case u'H':
        c.readOnly = true;
        break;
    default:
        break;
    }
}

void describeImportList(GridColumn &c)
{
    // The import list viewer only shows: its columns start shown and open to
    // editing (an edit changes nothing but the array).
    c.visible = true;
    c.readOnly = false;
    switch (c.letter.unicode()) {
    case u'L':
        c.align = GridAlign::Right;
        c.format = GridFormat::Whole;
        break;
    case u'C':
        c.align = GridAlign::Right;
        c.format = GridFormat::TwoDecimals;
        break;
    case u'B':
        c.align = GridAlign::Centre;
        c.button = true;
        break;
    case u'D':
        c.align = GridAlign::Centre;
        c.format = GridFormat::DateKanji;
        break;
    case u'T':
        c.align = GridAlign::Centre;
        c.format = GridFormat::Time;
        break;
    case u'H':
        c.visible = false;
        break;
    default:
        break;   // "S", "F" and letters this loader does not know
    }
}

// "240315" as "24" sep1 "03" sep2 "15" (+ sep3): digits beyond six go to
// the first group, as the patterns' leading "##" allow.
QString threeGroups(const DecimalText &d, const QString &sep1, const QString &sep2, const QString &sep3)
{
    const QString digits = wholeDigits(d, 6);
    const qsizetype n = digits.size();
    const bool negative = d.negative && digits != QString(n, QLatin1Char('0'));
    return (negative ? QStringLiteral("-") : QString()) + digits.left(n - 4) + sep1 + digits.mid(n - 4, 2)
        + sep2 + digits.right(2) + sep3;
}

} // namespace

GridAlias parseGridAlias(const QString &fieldName)
{
    GridAlias a;
    if (fieldName.size() < AliasTailLength) {
        a.caption = fieldName;
        return a;
    }
    const QString width = fieldName.right(WidthDigits);
    for (QChar ch : width) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
            a.caption = fieldName;
            return a;
        }
    }
    a.caption = fieldName.left(fieldName.size() - AliasTailLength);
    a.letter = fieldName.at(fieldName.size() - AliasTailLength);
    a.width = width.toInt();
    return a;
}

GridColumn describeGridColumn(const QString &fieldName, GridLoader loader)
{
    const GridAlias a = parseGridAlias(fieldName);
    GridColumn c;
    c.name = fieldName;
    c.caption = a.caption;
    c.letter = a.letter;
    c.width = a.width;
    if (loader == GridLoader::ImportList)
        describeImportList(c);
    else
        describeStandard(c);
    return c;
}

QString formatGridText(const QString &text, GridFormat format)
{
    if (format == GridFormat::None)
        return text;
    const std::optional<DecimalText> d = parseDecimalText(text);
    if (!d)
        return text;
    switch (format) {
    case GridFormat::Whole:
        return formatDecimal(*d, 0, true);
    case GridFormat::TwoDecimals:
        return formatDecimal(*d, 2, true);
    case GridFormat::DateSlashed:
        return threeGroups(*d, QStringLiteral("/"), QStringLiteral("/"), QString());
    case GridFormat::DateKanji:
        return threeGroups(*d, QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日"));
    case GridFormat::Time:
        return threeGroups(*d, QStringLiteral(":"), QStringLiteral(":"), QString());
    case GridFormat::None:
        break;
    }
    return text;
}

QString gridValueText(const QVariant &value)
{
    const QVariant v = NzValue(value, QString());
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

bool isTickedText(const QString &text)
{
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    const std::optional<double> v = numericValue(text);
    return v && *v != 0.0;
}

int GridData::indexOf(const QString &caption) const
{
    for (int i = 0; i < columnCount(); ++i)
        if (columns_.at(i).caption == caption)
            return i;
    return -1;
}

QStringList GridData::fitted(QStringList texts) const
{
    while (texts.size() < columns_.size())
        texts << QString();
    if (texts.size() > columns_.size())
        texts.resize(columns_.size());
    return texts;
}

void GridData::appendRow(QStringList texts)
{
    rows_.append(fitted(std::move(texts)));
}

void GridData::insertRow(int position, QStringList texts)
{
    rows_.insert(position, fitted(std::move(texts)));
}

GridData loadGridData(Database &db, const QString &sql, GridLoader loader)
{
    Recordset rs = db.queryReadOnly(sql);
    const int n = rs.fieldCount();
    QList<GridColumn> columns;
    columns.reserve(n);
    for (int j = 0; j < n; ++j)
        columns << describeGridColumn(rs.fieldName(j), loader);
    GridData data(std::move(columns));
    for (; !rs.eof(); rs.moveNext()) {
        QStringList texts;
        texts.reserve(n);
        for (int j = 0; j < n; ++j)
            texts << gridValueText(rs.field(j));
        data.appendRow(std::move(texts));
    }
    return data;
}
