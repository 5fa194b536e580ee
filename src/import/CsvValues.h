#pragma once
// The chain's master files: comma-separated values in code page 932, read
// as one stream of values that the caller takes a fixed number at a time,
// whatever the lines hold. A value may be enclosed in double quotes (removed;
// it may then hold commas and line ends, and "" stands for one quote);
// blanks around an unquoted value are dropped; a comma or a line end (CR,
// CR LF or LF) ends a value. A blank line holds no value.

#include <QByteArray>
#include <QString>

class QIODevice;

class CsvValueReader {
public:
    explicit CsvValueReader(QIODevice &device, qsizetype blockSize = 1 << 16);

    // The next value; false when the stream holds no more. Throws DbError 75
    // when the device fails.
    bool next(QString &value);

private:
    int peek();
    int get();
    void skipBlanks();
    void skipLineEnd();

    QIODevice &device_;
    QByteArray block_;
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
    bool atEnd_ = false;
    bool atLineStart_ = true;
    QByteArray raw_;
};
