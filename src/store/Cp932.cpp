#include "store/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <stdexcept>

namespace cp932 {
namespace {

// iconv descriptors are not thread-safe; the program has one UI thread, but
// the lock keeps a stray worker from corrupting the shared state.
struct Converter {
    iconv_t cd;
    std::mutex lock;
    Converter(const char *to, const char *from) : cd(iconv_open(to, from))
    {
        if (cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert between CP932 and UTF-16");
    }
    ~Converter() { iconv_close(cd); }
};

Converter &toCp932()
{
    static Converter c("CP932", "UTF-16LE");
    return c;
}

Converter &fromCp932()
{
    static Converter c("UTF-16LE", "CP932");
    return c;
}

} // namespace

QByteArray encode(const QString &text)
{
    QByteArray out;
    if (text.isEmpty())
        return out;
    Converter &c = toCp932();
    std::lock_guard guard(c.lock);
    iconv(c.cd, nullptr, nullptr, nullptr, nullptr);

    out.resize(text.size() * 2 + 8);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char *dst = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        size_t r = iconv(c.cd, &in, &inLeft, &dst, &outLeft);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = size_t(out.size() - used);
            continue;
        }
        // EILSEQ or EINVAL: a character (or a lone surrogate) with no CP932
        // form. Skip one UTF-16 unit, or a whole surrogate pair.
        if (outLeft < 1) {
            qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = size_t(out.size() - used);
        }
        *dst++ = '?';
        --outLeft;
        size_t skip = 2;
        if (inLeft >= 4) {
            const QChar ch = *reinterpret_cast<const QChar *>(in);
            const QChar next = *reinterpret_cast<const QChar *>(in + 2);
            if (ch.isHighSurrogate() && next.isLowSurrogate())
                skip = 4;
        }
        in += skip;
        inLeft -= std::min(skip, inLeft);
    }
    out.resize(dst - out.data());
    return out;
}

QString decode(const char *data, qsizetype size)
{
    QString out;
    if (size <= 0)
        return out;
    // ASCII needs no converter; most of an order file is ASCII digits.
    bool ascii = true;
    for (qsizetype i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(data[i]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(data, size);

    Converter &c = fromCp932();
    std::lock_guard guard(c.lock);
    iconv(c.cd, nullptr, nullptr, nullptr, nullptr);

    out.resize(size);                 // a CP932 byte never yields more than one UTF-16 unit
    char *in = const_cast<char *>(data);
    size_t inLeft = size_t(size);
    char *dst = reinterpret_cast<char *>(out.data());
    size_t outLeft = size_t(out.size()) * 2;
    while (inLeft > 0) {
        size_t r = iconv(c.cd, &in, &inLeft, &dst, &outLeft);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG)           // cannot happen (see above), but never loop forever
            break;
        // EILSEQ (invalid sequence) or EINVAL (lead byte cut off at the end):
        // one replacement character for the one bad byte, then go on.
        const char16_t repl = 0xFFFD;
        memcpy(dst, &repl, 2);
        dst += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(c.cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize((dst - reinterpret_cast<char *>(out.data())) / 2);
    return out;
}

QString decode(const QByteArray &bytes)
{
    return decode(bytes.constData(), bytes.size());
}

qsizetype byteLength(const QString &text)
{
    qsizetype n = 0;
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F))
            ++n;                      // ASCII and half-width katakana are one byte
        else
            return encode(text).size();
    }
    return n;
}

QString decodeSlice(const QByteArray &bytes, qsizetype pos, qsizetype len)
{
    if (pos < 0 || pos >= bytes.size() || len <= 0)
        return QString();
    len = std::min(len, bytes.size() - pos);
    return decode(bytes.constData() + pos, len);
}

QString leftBytes(const QString &text, qsizetype maxBytes)
{
    const QByteArray bytes = encode(text);
    if (bytes.size() <= maxBytes)
        return text;
    qsizetype i = 0;
    while (i < maxBytes) {
        const qsizetype step = isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + step > maxBytes)
            break;
        i += step;
    }
    return decode(bytes.left(i));
}

} // namespace cp932
