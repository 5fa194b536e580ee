#include "store/SafeName.h"

#include "store/DbError.h"

#include <QFile>
#include <QStringList>

namespace {

const QString kForbidden = QStringLiteral("\\/:*?\"<>|");

bool badCharacter(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F || kForbidden.contains(c);
}

bool trailingBad(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(' ');
}

// Windows takes the part before the first dot, blanks at its end dropped,
// as the device; COM and LPT also take the superscript digits.
bool deviceName(const QString &name)
{
    QString base = name.section(QLatin1Char('.'), 0, 0);
    while (base.endsWith(QLatin1Char(' ')))
        base.chop(1);
    base = base.toUpper();
    static const QStringList plain{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                   QStringLiteral("NUL")};
    if (plain.contains(base))
        return true;
    if (base.size() != 4 || !(base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))))
        return false;
    const QChar d = base.at(3);
    return (d >= QLatin1Char('1') && d <= QLatin1Char('9')) || d == QChar(0x00B9) || d == QChar(0x00B2)
        || d == QChar(0x00B3);
}

// The part after the last dot, dot included, when it looks like an
// extension worth keeping through a shortening.
QString extensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name.size() - dot > 16)
        return QString();
    return name.mid(dot);
}

} // namespace

namespace SafeName {

int encodedLength(const QString &name)
{
#ifdef Q_OS_WIN
    return int(name.size());
#else
    return int(QFile::encodeName(name).size());
#endif
}

QString truncated(const QString &text, int maxBytes)
{
    if (encodedLength(text) <= maxBytes)
        return text;
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString next = out + text.mid(i, n);
        if (encodedLength(next) > maxBytes)
            break;
        out = next;
        i += n;
    }
    return out;
}

QString problem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("ファイル名が空です。");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("フォルダを含めることはできません。ファイル名だけを書いてください。");
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("制御文字 (%1) は使えません。")
                .arg(QStringLiteral("0x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper());
        if (badCharacter(c))
            return QStringLiteral("文字「%1」は使えません (\\ / : * ? \" < > | は Windows のファイル名に使えません)。").arg(c);
    }
    if (trailingBad(name.back()))
        return QStringLiteral("終わりに点または空白があります (Windows では消えてしまいます)。");
    if (deviceName(name))
        return QStringLiteral("「%1」は Windows の装置名のため、拡張子を付けてもファイル名にできません。")
            .arg(name.section(QLatin1Char('.'), 0, 0).trimmed());
    if (const int n = encodedLength(name); n > MaxBytes)
        return QStringLiteral("長すぎます (%1 バイト、%2 バイトまで)。").arg(n).arg(MaxBytes);
    return QString();
}

QString made(const QString &name)
{
    QString s = name;
    for (QChar &c : s)
        if (badCharacter(c))
            c = QLatin1Char('_');
    if (encodedLength(s) > MaxBytes) {
        const QString ext = extensionOf(s);
        s = truncated(s.left(s.size() - ext.size()), MaxBytes - encodedLength(ext)) + ext;
    }
    // Replacing keeps the length: a dot, a blank and "_" take one byte each.
    for (qsizetype i = s.size() - 1; i >= 0 && trailingBad(s.at(i)); --i)
        s[i] = QLatin1Char('_');
    if (s.isEmpty())
        return QStringLiteral("_");
    if (deviceName(s))
        s.prepend(QLatin1Char('_'));
    return s;
}

void require(const QString &name, const QString &what)
{
    const QString reason = problem(name);
    if (!reason.isEmpty())
        throw DbError(DbErr::PathAccess, QStringLiteral("%1「%2」は使えません。%3").arg(what, name, reason));
}

} // namespace SafeName
