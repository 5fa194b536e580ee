#pragma once
// Lets GoogleTest print Qt values readably in failure messages: texts as
// text, bytes as one C string with line ends and non-ASCII bytes escaped.
// GoogleTest finds PrintTo by argument-dependent lookup.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

inline void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    static const char hex[] = "0123456789ABCDEF";
    *os << '"';
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r')
            *os << "\\r";
        else if (c == '\n')
            *os << "\\n\"\n    \"";
        else if (c == '\\' || c == '"')
            *os << '\\' << ch;
        else if (c >= 0x20 && c < 0x7F)
            *os << ch;
        else
            *os << "\\x" << hex[c >> 4] << hex[c & 0xF];
    }
    *os << '"';
}

