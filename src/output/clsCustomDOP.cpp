#include "output/clsCustomDOP.h"

#include "store/BoundedQuery.h"
#include "store/Cp932.h"
#include "store/Database.h"
#include "store/Dialogs.h"
#include "store/SafeName.h"
#include "store/Settings.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <memory>
#include <optional>

namespace {

// The number the engine layer gives a refused data-changing statement.
constexpr int ReadOnlyRefused = DbErr::SqliteBase + 8;   // SQLITE_READONLY

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

// Rows whose line cannot be written yet: an expression column's kind comes
// from its first value that is not Null, and the rows before it wait on
// disk, so that memory stays flat whatever the statement returns.
class PendingRows {
public:
    void add(const QVariantList &row)
    {
        if (!file_) {
            file_ = std::make_unique<QTemporaryFile>();
            if (!file_->open())
                throw DbError(DbErr::PathAccess,
                              QStringLiteral("一時ファイルを作成できません。 (%1)").arg(file_->errorString()));
            out_.setDevice(file_.get());
        }
        out_ << row;
        ++count_;
    }
    template <typename Write>
    void drain(Write write)
    {
        if (!file_)
            return;
        if (!file_->seek(0))
            throw DbError(DbErr::PathAccess, QStringLiteral("一時ファイルを読めません。"));
        QDataStream in(file_.get());
        for (; count_ > 0; --count_) {
            QVariantList row;
            in >> row;
            write(row);
        }
        out_.setDevice(nullptr);
        file_.reset();
    }

private:
    std::unique_ptr<QTemporaryFile> file_;
    QDataStream out_;
    qint64 count_ = 0;
};

} // namespace

QueryLimits ExportLimits()
{
    // A limit that is not a positive number reads as its default.
    const auto read = [](SettingKey key) {
        const qint64 v = Settings::readInt(key);
        return v > 0 ? v : qint64(Settings::defaultInt(key));
    };
    QueryLimits limits;
    limits.maxRows = read(SettingKey::ExportMaxRows);
    limits.maxSeconds = read(SettingKey::ExportMaxSeconds);
    limits.maxValueBytes = read(SettingKey::ExportMaxValueBytes);
    return limits;
}

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
    // A folder on a Windows share (\\server\share or //server/share) keeps
    // its two leading separators; everywhere else a doubled one is one.
    const auto separator = [this](qsizetype i) {
        return i < destination_.size() && (destination_.at(i) == QLatin1Char('/') || destination_.at(i) == QLatin1Char('\\'));
    };
    const bool share = separator(0) && separator(1) && destination_.at(0) == destination_.at(1)
        && destination_.size() > 2 && !separator(2);
    QString p = (share ? destination_.mid(2) : destination_) + QLatin1Char('/') + fileName_;
    while (p.contains(QLatin1String("//")))
        p.replace(QLatin1String("//"), QLatin1String("/"));
    return share ? destination_.left(2) + p : p;
}

qint32 clsCustomDOP::eXport(Database &connection, Dialogs &dialogs, const QStringList &parameters)
{
    lastError_.clear();
    if (destination_.isEmpty())
        destination_ = dialogs.chooseFolder(QStringLiteral("書き出し先指定"), QString());
    if (destination_.isEmpty() || !QFileInfo(destination_).isDir())
        return NoFolder;

    // The third line names a file in the chosen folder, not a path: a
    // definition cannot write outside the folder the operator chose, nor
    // name a file one of the two systems cannot hold.
    try {
        SafeName::require(fileName_, QStringLiteral("書き出し定義の出力ファイル名"));
    } catch (const DbError &e) {
        return fail(e.number(), e.description());
    }

    const QString sql = preparedQuery(parameters);
    const QString first = firstKeyword(sql);
    if (first != QLatin1String("SELECT") && first != QLatin1String("WITH") && first != QLatin1String("VALUES"))
        return fail(ReadOnlyRefused, QStringLiteral("書き出し定義の SQL 文はデータを読み出す SELECT 文でなければなりません。"));

    // Rows go to the file as they are read; the file gets its name only
    // when the statement has run to its end within its limits, so a failure
    // leaves an earlier file of that name as it was.
    const QString target = outputPath();
    try {
        const std::unique_ptr<BoundedQuery> rs = connection.boundedQuery(sql, ExportLimits());
        if (!rs->next())
            return NoRows;
        QList<std::optional<bool>> kinds;
        for (int j = 0; j < rs->columnCount(); ++j)
            kinds << rs->declaredText(j);

        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly))
            return fail(DbErr::PathAccess,
                        QStringLiteral("ファイル %1 を作成できません。 (%2)").arg(target, file.errorString()));
        const auto writeLine = [&](const QVariantList &row) {
            QString line;
            for (int j = 0; j < row.size(); ++j) {
                if (j > 0)
                    line += separator_;
                const QVariant &v = row.at(j);
                // A qualifier inside a value is written as it is, not doubled;
                // a definition whose values may contain one picks another.
                const QString text = v.isNull() ? QString() : plainText(v);
                line += kinds[j].value_or(false) ? qualifier_ + text + qualifier_ : text;
            }
            line += QStringLiteral("\r\n");
            file.write(cp932::encode(line));
        };
        PendingRows pending;
        bool unknown = true;
        do {
            QVariantList row;
            row.reserve(int(kinds.size()));
            for (int j = 0; j < kinds.size(); ++j)
                row << rs->value(j);
            if (unknown) {
                unknown = false;
                for (int j = 0; j < kinds.size(); ++j) {
                    if (!kinds[j] && !row.at(j).isNull())
                        kinds[j] = isTextValue(row.at(j));
                    unknown = unknown || !kinds[j];
                }
                if (unknown) {
                    pending.add(row);
                    continue;
                }
                pending.drain(writeLine);
            }
            writeLine(row);
        } while (rs->next());
        // An expression that is Null throughout is written empty.
        pending.drain(writeLine);
        if (!file.commit())
            return fail(DbErr::PathAccess,
                        QStringLiteral("ファイル %1 に書き込めません。 (%2)").arg(target, file.errorString()));
    } catch (const DbError &e) {
        return fail(e.number(), e.description());
    }
    dialogs.info(QStringLiteral("データ出力処理が終了しました。"));
    return Written;
}
