#include "import/CsvValues.h"

#include "store/Cp932.h"
#include "store/DbError.h"

#include <QIODevice>

namespace {

constexpr int End = -1;

bool isBlank(int c)
{
    return c == ' ' || c == '\t';
}

bool isLineEnd(int c)
{
    return c == '\r' || c == '\n';
}

} // namespace

CsvValueReader::CsvValueReader(QIODevice &device, qsizetype blockSize) : device_(device)
{
    block_.resize(std::max<qsizetype>(blockSize, 1));
}

int CsvValueReader::peek()
{
    if (pos_ == end_) {
        if (atEnd_)
            return End;
        const qint64 n = device_.read(block_.data(), block_.size());
        if (n < 0)
            throw DbError(DbErr::PathAccess,
                          QStringLiteral("ファイルを読み込めません。 (%1)").arg(device_.errorString()));
        if (n == 0) {
            atEnd_ = true;
            return End;
        }
        pos_ = 0;
        end_ = qsizetype(n);
    }
    return static_cast<unsigned char>(block_[pos_]);
}

int CsvValueReader::get()
{
    const int c = peek();
    if (c != End)
        ++pos_;
    return c;
}

void CsvValueReader::skipBlanks()
{
    while (isBlank(peek()))
        get();
}

void CsvValueReader::skipLineEnd()
{
    if (get() == '\r' && peek() == '\n')
        get();
}

bool CsvValueReader::next(QString &value)
{
    if (atLineStart_) {
        for (;;) {
            skipBlanks();
            const int c = peek();
            if (c == End)
                return false;
            if (!isLineEnd(c))
                break;
            skipLineEnd();
        }
        atLineStart_ = false;
    } else {
        skipBlanks();
    }

    raw_.clear();
    if (peek() == '"') {
        get();
        for (int c = get(); c != End; c = get()) {
            if (c == '"') {
                if (peek() != '"')
                    break;
                get();
            }
            raw_.append(char(c));
        }
        // Anything between the closing quote and the separator is kept,
        // without blanks.
        for (int c = peek(); c != End && c != ',' && !isLineEnd(c); c = peek()) {
            get();
            if (!isBlank(c))
                raw_.append(char(c));
        }
    } else {
        for (int c = peek(); c != End && c != ',' && !isLineEnd(c); c = peek())
            raw_.append(char(get()));
        qsizetype n = raw_.size();
        while (n > 0 && isBlank(raw_[n - 1]))
            --n;
        raw_.truncate(n);
    }

    const int sep = peek();
    if (sep == ',') {
        get();
    } else {
        if (isLineEnd(sep))
            skipLineEnd();
        atLineStart_ = true;
    }
    value = cp932::decode(raw_);
    value.replace(QChar(u'\0'), QChar(0xFFFD));
    return true;
}
