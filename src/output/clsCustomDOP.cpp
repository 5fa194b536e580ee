#include "output/clsCustomDOP.h"

#include "store/Cp932.h"
#include "store/Database.h"
#include "store/Literals.h"
#include "store/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <sqlite3.h>

#include <optional>

namespace {

// The number the engine layer gives a refused data-changing statement.
constexpr int ReadOnlyRefused = DbErr::SqliteBase + SQLITE_READONLY;

// Definition files are written in code page 932 as the chain's Windows
// tools write them; one saved by a UTF-8 editor (with or without a byte
// order mark) is read as such, since CP932 Japanese text is practically
// never valid UTF-8.
QString decodeDefinition(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (!ascii) {
        // Stateless: a sequence cut off at the end of the file is invalid
        // UTF-8 too (a kept state would drop it without a word).
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(bytes);
        if (!utf8.hasError())
            return text;
    }
    return cp932::decode(bytes);
}

// Lines as a text reader sees them: CR LF, LF or CR ends a line, and a
// final line ending does not start another line.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    QString current;
    bool open = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            lines << current;
            current.clear();
            open = false;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines << current;
    return lines;
}

// The digit of a placeholder "/[d]/" starting at `i`, if one does.
std::optional<int> placeholderAt(const QString &s, qsizetype i)
{
    if (i + 4 >= s.size() || s.at(i) != QLatin1Char('/') || s.at(i + 1) != QLatin1Char('[')
        || s.at(i + 3) != QLatin1Char(']') || s.at(i + 4) != QLatin1Char('/'))
        return std::nullopt;
    const QChar d = s.at(i + 2);
    if (d < QLatin1Char('0') || d > QLatin1Char('9'))
        return std::nullopt;
    return d.unicode() - u'0';
}

// The first word of a statement after blanks and comments, upper case.
QString firstKeyword(const QString &sql)
{
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else {
            break;
        }
    }
    qsizetype j = i;
    while (j < n && (sql.at(j).isLetter() || sql.at(j) == QLatin1Char('_')))
        ++j;
    return sql.mid(i, j - i).toUpper();
}

// Whether a declared column type gives the column text affinity (SQLite's
// rule: INT wins, then CHAR, CLOB or TEXT).
std::optional<bool> declaredAsText(const char *declared)
{
    if (!declared || !*declared)
        return std::nullopt;
    const QString t = QString::fromUtf8(declared).toUpper();
    if (t.contains(QLatin1String("INT")))
        return false;
    return t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB"))
        || t.contains(QLatin1String("TEXT"));
}

// For every result column: text (true), not text (false), or unknown for an
// expression, whose kind then follows from its values. The statement is
// prepared again only to read the declarations; it never runs here.
QList<std::optional<bool>> declaredKinds(Database &db, const QString &sql)
{
    QList<std::optional<bool>> kinds;
    const QByteArray u = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), u.constData(), int(u.size()), &stmt, nullptr) == SQLITE_OK && stmt) {
        for (int i = 0; i < sqlite3_column_count(stmt); ++i)
            kinds << declaredAsText(sqlite3_column_decltype(stmt, i));
    }
    sqlite3_finalize(stmt);
    return kinds;
}

QString plainText(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

bool isTextValue(const QVariant &v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

} // namespace

QString ReplaceExportPlaceholders(const QString &sql, const QStringList &values)
{
    // One pass from left to right: a value is never searched again, so a
    // value that itself reads "/[1]/" stays as it is.
    QString out;
    out.reserve(sql.size());
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        if (const auto d = placeholderAt(sql, i)) {
            out += values.value(*d);
            i += 5;
            continue;
        }
        out += sql.at(i);
        ++i;
    }
    return out;
}

QString clsCustomDOP::failureText(qint32 result) const
{
    QString text = QStringLiteral("出力する際にエラーが発生しました。\r\nエラーNo=%1").arg(result);
    if (!lastError_.isEmpty())
        text += QStringLiteral("\r\n") + lastError_;
    return text;
}

bool clsCustomDOP::plainFileName(const QString &name)
{
    // ':' is a drive ("C:OUT.CSV") or a stream on Windows.
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':'));
}

qint32 clsCustomDOP::fail(int number, const QString &description)
{
    lastError_ = description;
    return number;
}

int clsCustomDOP::setFile(const QString &path)
{
    path_ = path;
    qualifier_ = defaultQualifier();
    separator_ = defaultSeparator();
    query_.clear();
    fileName_.clear();
    lastError_.clear();

    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        return 1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(DbErr::PathAccess,
                    QStringLiteral("書き出し定義ファイル %1 を読めません。 (%2)").arg(path, file.errorString()));
    const QStringList lines = splitLines(decodeDefinition(file.readAll()));
    file.close();

    // A definition shorter than three lines still writes somewhere sensible.
    fileName_ = defaultFileName();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (i == 0) {
            if (line.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0)
                qualifier_.clear();
            else if (!line.isEmpty())
                qualifier_ = line;
        } else if (i == 1) {
            if (!line.isEmpty())
                separator_ = line;
        } else if (i == 2) {
            if (!line.isEmpty())
                fileName_ = line;
        } else {
            query_ += line + QStringLiteral("\r\n");
        }
    }
    return 0;
}

QString clsCustomDOP::preparedQuery(const QStringList &parameters) const
{
    return ReplaceExportPlaceholders(query_, parameters.mid(0, ParameterCount));
}

QString clsCustomDOP::outputPath() const
{
    QString p = destination_ + QLatin1Char('/') + fileName_;
    while (p.contains(QLatin1String("//")))
        p.replace(QLatin1String("//"), QLatin1String("/"));
    return p;
}

qint32 clsCustomDOP::eXport(Database &connection, Dialogs &dialogs, const QStringList &parameters)
{
    lastError_.clear();
    if (destination_.isEmpty())
        destination_ = dialogs.chooseFolder(QStringLiteral("書き出し先指定"), QString());
    if (destination_.isEmpty() || !QFileInfo(destination_).isDir())
        return NoFolder;

    // The third line names a file in the chosen folder, not a path: a
    // definition cannot write outside the folder the operator chose.
    if (!plainFileName(fileName_))
        return fail(DbErr::PathAccess, QStringLiteral("書き出し定義の出力ファイル名「%1」にフォルダを含めることはできません。"
                                                      "ファイル名だけを書いてください。")
                                           .arg(fileName_));

    const QString sql = preparedQuery(parameters);
    const QString first = firstKeyword(sql);
    if (first != QLatin1String("SELECT") && first != QLatin1String("WITH") && first != QLatin1String("VALUES"))
        return fail(ReadOnlyRefused, QStringLiteral("書き出し定義の SQL 文はデータを読み出す SELECT 文でなければなりません。"));

    // Every row is read before the file is started: the kind of an
    // expression column is only known from its values, and a statement that
    // fails half-way must not leave a file behind.
    QList<QVariantList> rows;
    QList<std::optional<bool>> kinds;
    try {
        Recordset rs = connection.queryReadOnly(sql);
        if (rs.eof())
            return NoRows;
        kinds = declaredKinds(connection, sql);
        kinds.resize(rs.fieldCount());
        for (; !rs.eof(); rs.moveNext()) {
            QVariantList row;
            row.reserve(rs.fieldCount());
            for (int j = 0; j < rs.fieldCount(); ++j)
                row << rs.field(j);
            rows << row;
        }
    } catch (const DbError &e) {
        return fail(e.number(), e.description());
    }
    for (int j = 0; j < kinds.size(); ++j) {
        if (kinds[j])
            continue;
        kinds[j] = false;   // an expression that is Null throughout is written empty
        for (const QVariantList &row : rows)
            if (!row.at(j).isNull()) {
                kinds[j] = isTextValue(row.at(j));
                break;
            }
    }

    const QString target = outputPath();
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return fail(DbErr::PathAccess,
                    QStringLiteral("ファイル %1 を作成できません。 (%2)").arg(target, file.errorString()));
    for (const QVariantList &row : rows) {
        QString line;
        for (int j = 0; j < row.size(); ++j) {
            if (j > 0)
                line += separator_;
            const QVariant &v = row.at(j);
            // A qualifier inside a value is written as it is, not doubled;
            // a definition whose values may contain one picks another.
            const QString text = v.isNull() ? QString() : plainText(v);
            line += *kinds[j] ? qualifier_ + text + qualifier_ : text;
        }
        line += QStringLiteral("\r\n");
        file.write(cp932::encode(line));
    }
    if (!file.commit())
        return fail(DbErr::PathAccess,
                    QStringLiteral("ファイル %1 に書き込めません。 (%2)").arg(target, file.errorString()));
    dialogs.info(QStringLiteral("データ出力処理が終了しました。"));
    return Written;
}
