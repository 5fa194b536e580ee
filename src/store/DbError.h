#pragma once
// Failures carry a number and a description, as the operator reads them in
// a message box and as the batch mode prints them.
//
// Numbers:
//   5    invalid argument (a value that cannot be used where it stands)
//   6    overflow (a value too large for its field or type)
//   13   type mismatch (a text that is not a number where one is needed)
//   53   file not found
//   75   path or file access error
//   94   invalid use of Null
//   3024 a database file that should exist was not found
//   10000 + n  an SQLite failure with extended result code n
//   20000-20005  PostgreSQL server failures (store/PgConnection.h)

#include <QString>

#include <stdexcept>

namespace DbErr {
constexpr int InvalidArgument = 5;
constexpr int Overflow = 6;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int PathAccess = 75;
constexpr int InvalidNull = 94;
constexpr int DatabaseFileMissing = 3024;
constexpr int SqliteBase = 10000;
constexpr int ServerBase = 20000;
constexpr int ServerUnreachable = 20001;
constexpr int ServerLoginRefused = 20002;
constexpr int ServerConnectionLost = 20003;
constexpr int ServerPasswordInSettings = 20004;
constexpr int ServerSchemaTooNew = 20005;
} // namespace DbErr

class DbError : public std::runtime_error {
public:
    DbError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description)
    {
    }
    int number() const { return number_; }
    const QString &description() const { return description_; }

private:
    int number_;
    QString description_;
};

// The message for an error no operation handled, reported where the
// operator's action started it.
inline QString unhandledErrorText(int number, const QString &description)
{
    return QStringLiteral("エラーが発生しました。\n%1 %2").arg(number).arg(description);
}
