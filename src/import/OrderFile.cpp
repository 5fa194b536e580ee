#include "import/OrderFile.h"

#include "store/Cp932.h"
#include "store/DbError.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace orderfile {
namespace {

QByteArrayView trimTrailingBlanks(QByteArrayView v)
{
    qsizetype n = v.size();
    while (n > 0 && v[n - 1] == ' ')
        --n;
    return v.first(n);
}

bool plainAscii(QByteArrayView v)
{
    for (char c : v) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || u == 0)
            return false;
    }
    return true;
}

bool isTrailByte(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

} // namespace

std::unique_ptr<QFile> openForReading(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    const QFileInfo info(path);
    if (!info.exists())
        throw DbError(DbErr::FileNotFound, QStringLiteral("ファイルが見つかりません。 (%1)").arg(path));
    if (info.isDir() || !file->open(QIODevice::ReadOnly))
        throw DbError(DbErr::PathAccess,
                      QStringLiteral("ファイルを開けません。 (%1: %2)").arg(path, file->errorString()));
    return file;
}

// ---------------------------------------------------------------- LineReader

LineReader::LineReader(QIODevice &device, qsizetype keep, QCryptographicHash *digest, qsizetype blockSize)
    : device_(device), digest_(digest), keep_(keep)
{
    block_.resize(std::max<qsizetype>(blockSize, 1));
    head_.resize(keep_);
}

bool LineReader::fill()
{
    if (atEnd_)
        return false;
    const qint64 n = device_.read(block_.data(), block_.size());
    if (n < 0)
        throw DbError(DbErr::PathAccess, QStringLiteral("ファイルを読み込めません。 (%1)").arg(device_.errorString()));
    if (n == 0) {
        atEnd_ = true;
        return false;
    }
    if (digest_)
        digest_->addData(QByteArrayView(block_.constData(), n));
    pos_ = 0;
    end_ = qsizetype(n);
    return true;
}

bool LineReader::next()
{
    headSize_ = 0;
    length_ = 0;
    bool started = false;
    for (;;) {
        if (pos_ == end_ && !fill())
            return started;
        const char *data = block_.constData();
        if (skipLineFeed_) {
            skipLineFeed_ = false;
            if (data[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        qsizetype q = pos_;
        while (q < end_ && data[q] != '\r' && data[q] != '\n')
            ++q;
        const qsizetype n = q - pos_;
        if (n > 0) {
            started = true;
            const qsizetype take = std::min(n, keep_ - headSize_);
            if (take > 0) {
                memcpy(head_.data() + headSize_, data + pos_, size_t(take));
                headSize_ += take;
            }
            length_ += n;
        }
        if (q < end_) {
            skipLineFeed_ = data[q] == '\r';
            pos_ = q + 1;
            return true;
        }
        pos_ = end_;
    }
}

// ---------------------------------------------------------------- FixedWidthTokenizer

FixedWidthTokenizer::FixedWidthTokenizer(std::span<const OrderField> fields)
{
    int offset = 0;
    for (const OrderField &f : fields) {
        fields_.push_back({f.name, offset, f.width});
        offset += f.width;
    }
    recordLength_ = offset;
    decoded_.resize(fields_.size());
}

int FixedWidthTokenizer::indexOf(const char *column) const
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (std::strcmp(fields_[i].name, column) == 0)
            return int(i);
    return -1;
}

QByteArrayView FixedWidthTokenizer::slice(QByteArrayView record, int i) const
{
    const Slice &s = fields_[size_t(i)];
    if (s.offset >= record.size())
        return {};
    return record.sliced(s.offset, std::min<qsizetype>(s.width, record.size() - s.offset));
}

bool FixedWidthTokenizer::startsInsideCharacter(QByteArrayView record, qsizetype offset)
{
    if (offset <= 0 || offset >= record.size()
        || !cp932::isLeadByte(static_cast<unsigned char>(record[offset - 1])))
        return false;
    // A byte that looks like a lead byte may itself be the second half of
    // a character: only walking from the start of the record tells.
    qsizetype i = 0;
    while (i < offset) {
        const auto c = static_cast<unsigned char>(record[i]);
        const bool pair = cp932::isLeadByte(c) && i + 1 < record.size()
            && isTrailByte(static_cast<unsigned char>(record[i + 1]));
        i += pair ? 2 : 1;
    }
    return i > offset;
}

QString FixedWidthTokenizer::field(QByteArrayView record, int i) const
{
    const Slice &s = fields_[size_t(i)];
    const QByteArray bytes = QByteArray::fromRawData(record.data(), record.size());
    QString text;
    // The second half of a character begun in the field before is no
    // character of its own (decoded alone it could pass for a letter).
    if (startsInsideCharacter(record, s.offset))
        text = QChar(0xFFFD) + cp932::decodeSlice(bytes, s.offset + 1, s.width - 1);
    else
        text = cp932::decodeSlice(bytes, s.offset, s.width);
    // A NUL is no character of a text record; like an invalid byte it is
    // marked, not carried into slips and tag files.
    text.replace(QChar(u'\0'), QChar(0xFFFD));
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
        --n;
    text.truncate(n);
    return text;
}

QStringList FixedWidthTokenizer::split(QByteArrayView record) const
{
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out << field(record, i);
    return out;
}

QByteArrayView FixedWidthTokenizer::fieldUtf8(QByteArrayView record, int i) const
{
    const QByteArrayView raw = slice(record, i);
    const int offset = fields_[size_t(i)].offset;
    const bool afterLeadByte = offset > 0 && offset <= record.size()
        && cp932::isLeadByte(static_cast<unsigned char>(record[offset - 1]));
    if (!afterLeadByte && plainAscii(raw))
        return trimTrailingBlanks(raw);
    const bool inside = afterLeadByte && startsInsideCharacter(record, offset);
    Decoded &d = decoded_[size_t(i)];
    if (d.inside != inside || d.raw != raw) {
        d.raw = raw.toByteArray();
        d.inside = inside;
        d.utf8 = field(record, i).toUtf8();
    }
    return d.utf8;
}

} // namespace orderfile
