#pragma once
// Settings files are compared byte for byte; a failure should show the
// bytes as one C string (line ends and CP932 bytes escaped), not as a list
// of characters. GoogleTest finds PrintTo by argument-dependent lookup.

#include <QByteArray>
#include <QString>

#include <ostream>

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

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
