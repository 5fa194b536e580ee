#pragma once
// Reading the chain's fixed-length files: a line splitter that streams a
// file in blocks, and a tokenizer that cuts one record into its fields.
// Loading and cutting are separate so that records can be cut from bytes
// held anywhere (the tests feed them directly).

#include "store/OrderLayout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <memory>
#include <span>
#include <vector>

class QCryptographicHash;
class QFile;
class QIODevice;

namespace orderfile {

// Opens `path` for reading. DbError 53 when there is no such file, 75 when it
// cannot be opened.
std::unique_ptr<QFile> openForReading(const QString &path);

// Splits a stream into lines. A line ends at CR, CR LF or a bare LF (a LF
// never occurs inside a code page 932 character, so accepting it only helps
// files that went through another system); a line end at the very end of
// the stream does not start one more line. Only the first `keep` bytes of a
// line are held, so a line of any length costs no more memory than that.
class LineReader {
public:
    // `digest`, when given, receives every byte read. The device is read
    // `blockSize` bytes at a time.
    LineReader(QIODevice &device, qsizetype keep, QCryptographicHash *digest = nullptr,
               qsizetype blockSize = 1 << 20);

    // Moves to the next line; false at the end of the stream. Throws DbError
    // 75 when the device fails.
    bool next();

    // The first min(length(), keep) bytes of the current line, without its end.
    QByteArrayView head() const { return QByteArrayView(head_.constData(), headSize_); }
    // Length of the current line in bytes, without its end.
    qint64 length() const { return length_; }

private:
    bool fill();

    QIODevice &device_;
    QCryptographicHash *digest_;
    qsizetype keep_;
    QByteArray block_;
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
    bool atEnd_ = false;
    bool skipLineFeed_ = false;
    QByteArray head_;
    qsizetype headSize_ = 0;
    qint64 length_ = 0;
};

// Cuts a fixed-width record into fields at the byte positions that follow
// from a list of (column, width). Each field is decoded from code page 932
// on its own, so an invalid byte spoils only its own character (as U+FFFD)
// and never shifts the next field. A double-byte character cut by a field
// boundary leaves U+FFFD at the end of the one field and at the start of
// the next. Trailing blanks are removed, leading blanks and zeros kept; a field
// beyond the end of a short record is empty.
class FixedWidthTokenizer {
public:
    explicit FixedWidthTokenizer(std::span<const OrderField> fields);

    int count() const { return int(fields_.size()); }
    const char *name(int i) const { return fields_[size_t(i)].name; }
    // Position of a column in the layout, or -1.
    int indexOf(const char *column) const;
    // Bytes a record needs to hold every field.
    int recordLength() const { return recordLength_; }

    QString field(QByteArrayView record, int i) const;
    QStringList split(QByteArrayView record) const;
    // The field as UTF-8, as field() would give it. Plain ASCII fields (most
    // of an order file) are their own UTF-8 and come back as a view into
    // `record`; others are decoded, and the view shows this tokenizer's copy
    // until the next call for the same field.
    QByteArrayView fieldUtf8(QByteArrayView record, int i) const;

private:
    struct Slice {
        const char *name;
        int offset;
        int width;
    };
    QByteArrayView slice(QByteArrayView record, int i) const;
    static bool startsInsideCharacter(QByteArrayView record, qsizetype offset);

    // The last decoded text of each field: the lines of a slip mostly
    // repeat their names, and decoding costs far more than comparing.
    struct Decoded {
        QByteArray raw;
        bool inside = false;
        QByteArray utf8;
    };

    std::vector<Slice> fields_;
    mutable std::vector<Decoded> decoded_;
    int recordLength_ = 0;
};

} // namespace orderfile
