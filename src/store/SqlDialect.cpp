#include "store/SqlDialect.h"

namespace sqldialect {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Index just past the quoted run that starts at `i` with `quote`, a doubled
// quote standing for itself; the end of the text when it is not closed.
qsizetype skipQuoted(const QString &s, qsizetype i, QChar quote)
{
    for (++i; i < s.size(); ++i) {
        if (s[i] == quote) {
            if (i + 1 < s.size() && s[i + 1] == quote)
                ++i;
            else
                return i + 1;
        }
    }
    return s.size();
}

} // namespace

QString toServer(const QString &sql, int *parameters)
{
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype end = skipQuoted(sql, i, c);
            out += QStringView(sql).mid(i, end - i);
            i = end;
        } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
            qsizetype end = sql.indexOf(u'\n', i);
            end = end < 0 ? sql.size() : end;
            out += QStringView(sql).mid(i, end - i);
            i = end;
        } else if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
            qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? sql.size() : end + 2;
            out += QStringView(sql).mid(i, end - i);
            i = end;
        } else if (c == u'?') {
            out += u'$' + QString::number(++n);
            ++i;
        } else if (isNameChar(c)) {
            qsizetype end = i;
            while (end < sql.size() && isNameChar(sql[end]))
                ++end;
            const QStringView word = QStringView(sql).mid(i, end - i);
            qsizetype next = end;
            while (next < sql.size() && sql[next].isSpace())
                ++next;
            const bool call = next < sql.size() && sql[next] == u'(';
            const bool qualified = i > 0 && sql[i - 1] == u'.';
            if (call && !qualified && word.compare(u"JCAT", Qt::CaseInsensitive) == 0)
                out += QStringLiteral("concat");
            else
                out += word;
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    if (parameters)
        *parameters = n;
    return out;
}

QString folded(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return out;
}

QHash<QString, QString> spellings(const QString &sql)
{
    QHash<QString, QString> out;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            i = skipQuoted(sql, i, c);
        } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            i = end < 0 ? sql.size() : end;
        } else if (isNameChar(c)) {
            qsizetype end = i;
            while (end < sql.size() && isNameChar(sql[end]))
                ++end;
            const QString word = sql.mid(i, end - i);
            const QString key = folded(word);
            if (key != word)
                out.insert(key, word);
            i = end;
        } else {
            ++i;
        }
    }
    return out;
}

} // namespace sqldialect
