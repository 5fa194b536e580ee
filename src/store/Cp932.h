#pragma once
// The one place where text meets the code page the chain's files use
// (Shift-JIS as Windows writes it: CP932 with the NEC and IBM extensions,
// 0x5C as the backslash). Everything inside the program is Unicode.

#include <QByteArray>
#include <QString>

namespace cp932 {

// Bytes of `text` in code page 932. A character that has no CP932 form is
// written as '?' (one byte), so a field never grows or shifts because of it.
QByteArray encode(const QString &text);

// Text of `bytes`. An invalid sequence or a lead byte without its trail byte
// becomes U+FFFD for that one byte and decoding goes on with the next byte,
// so a damaged byte never swallows the characters after it.
QString decode(const QByteArray &bytes);
QString decode(const char *data, qsizetype size);

// Length of `text` in CP932 bytes (a double-byte character counts two).
qsizetype byteLength(const QString &text);

// The bytes [pos, pos + len) of `bytes` (0-based), decoded. A lead byte
// whose trail byte lies beyond the cut decodes as U+FFFD. A slice cannot
// tell on its own whether its first byte is the trail of a character cut
// at the front: callers that cut records into fields walk the record from
// its start (the order file's tokenizer does).
QString decodeSlice(const QByteArray &bytes, qsizetype pos, qsizetype len);

// `text` cut to at most `maxBytes` CP932 bytes without splitting a
// double-byte character.
QString leftBytes(const QString &text, qsizetype maxBytes);

// True for a lead byte of a CP932 double-byte character.
inline bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

} // namespace cp932
