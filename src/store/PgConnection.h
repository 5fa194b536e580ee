#pragma once
// A connection to a PostgreSQL server through libpq, with the operations the
// embedded engine's connection offers: statements with '?' parameters,
// forward-only result sets read by name or position, nested transactions as
// savepoints, and failures as DbError with the server's own numbers:
//   20001  the server cannot be reached
//   20002  the server refused the login
//   20003  the connection was lost while working (the server rolls the
//          open transaction back)
//   20004  the connection settings hold a password
//   20005  the database was made by a newer version of the program
//   20000  any other failure of the server (its SQLSTATE in the text)
// An error raised by one of the old engine's functions on the server keeps
// that function's number (13 for CLNG('12a')).

#include "store/DbError.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <optional>
#include <memory>
#include <vector>

struct pg_conn;
struct pg_result;

class PgConnection;

// The rows of one statement, read forward. The first row is current right
// after the query. Values come back as the embedded engine gives them:
// whole numbers as qlonglong, other numbers as double, texts as QString,
// Null as a null QVariant.
class PgRows {
public:
    PgRows(PgRows &&other) noexcept;
    PgRows &operator=(PgRows &&other) noexcept;
    PgRows(const PgRows &) = delete;
    PgRows &operator=(const PgRows &) = delete;
    ~PgRows();

    bool eof() const { return row_ >= rows_; }
    int rowCount() const { return rows_; }
    void moveNext();
    int fieldCount() const;
    QString fieldName(int index) const;
    int indexOf(const QString &name) const;
    QVariant field(int index) const;
    QVariant field(const QString &name) const;
    QString text(int index) const;
    QString text(const QString &name) const;
    // The value's text as the server sent it (UTF-8), without a copy; Null
    // gives a null view. Valid while the rows are.
    QByteArrayView utf8(int index) const;
    // Whether a column is a table's column of type text (true), a table's
    // column of another type (false), or an expression (nullopt).
    std::optional<bool> declaredText(int index) const;
    // The largest text or binary value of the current row, in bytes.
    qint64 largestValue() const;

private:
    friend class PgConnection;
    PgRows(pg_result *result, QHash<QString, QString> spellings);

    pg_result *result_ = nullptr;
    QHash<QString, QString> spellings_;
    int rows_ = 0;
    int row_ = 0;
};

class PgConnection {
public:
    // `connection` is a libpq connection string or URI; a password in it is
    // refused (it belongs in libpq's password or service file). The session
    // is named `applicationName` on the server, so that other desks see who
    // holds what, and works in `schema` (its own functions first, then the
    // server's).
    static std::unique_ptr<PgConnection> open(const QString &connection, const QString &applicationName,
                                              const QString &schema);
    // The refusal open() gives for a password in the settings, or empty.
    static QString passwordRefusal(const QString &connection);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // "host:port" or the socket folder, for messages.
    QString serverName() const;

    void execute(const QString &sql, std::initializer_list<QVariant> params = {});
    void execute(const QString &sql, const std::vector<QVariant> &params);
    // Several statements without parameters (installation scripts).
    void executeScript(const QString &sql);
    qint64 changes() const { return changes_; }
    PgRows query(const QString &sql, std::initializer_list<QVariant> params = {});
    PgRows query(const QString &sql, const std::vector<QVariant> &params);
    QVariant scalar(const QString &sql, std::initializer_list<QVariant> params = {});

    // Bulk loading: copyBegin starts COPY into `table` (`columns` in order),
    // copyRow sends one row (Null as a null QVariant), copyEnd finishes it;
    // the rows then count as one statement of the transaction. The server
    // takes rows this way several times faster than one INSERT each.
    void copyBegin(const QString &table, const QStringList &columns);
    void copyRow(const std::vector<QVariant> &values);
    void copyEnd();

    // Transactions nest as on the embedded engine: the outermost level is
    // the transaction, inner levels savepoints.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return depth_; }

    // The connection string and schema the connection was opened with, to
    // open another session on the same data.
    const QString &connectionString() const { return connection_; }
    const QString &schema() const { return schema_; }
    QString applicationName() const;

    // The server's id of this session (to end it from another, in tests of
    // a lost connection).
    int backendPid() const;

private:
    explicit PgConnection(pg_conn *conn) : conn_(conn) {}
    pg_result *run(const QString &sql, const std::vector<QVariant> &params);
    [[noreturn]] void fail(pg_result *result, const QString &sql);

    void copyFlush(bool final);

    pg_conn *conn_ = nullptr;
    QString connection_;
    QString schema_;
    int depth_ = 0;
    QByteArray copyBuffer_;
    // Statements with parameters are parsed and planned once per session:
    // an import runs the same insert a million times. The server keeps
    // them until the session ends.
    QHash<QByteArray, QByteArray> prepared_;
    qint64 changes_ = 0;
};

// Installs the old engine's functions (CLNG, FIX, CSTR, MID) and the
// embedded engine's substr into the connection's schema.
void installServerFunctions(PgConnection &db);
