#pragma once
// The database engine seen by the rest of the program: one connection with
// the few operations everything relies on. Two engines implement it, the
// embedded SQLite files of a data folder (store/SqliteDatabase.h) and a
// PostgreSQL server (store/PgDatabase.h); the connection is chosen once at
// start-up and nothing above the store knows which it is. Every failure
// throws DbError; nothing here talks to the user.

#include "store/DbError.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

class BoundedQuery;
struct QueryLimits;

// The rows of one statement as an engine gives them, read forward.
class RowSource {
public:
    virtual ~RowSource() = default;
    // Moves to the next row (the first on the first call); false after the
    // last. Throws DbError when the statement fails.
    virtual bool next() = 0;
    virtual int fieldCount() const = 0;
    virtual QString fieldName(int index) const = 0;
    // The current row's value; index is in range.
    virtual QVariant value(int index) const = 0;
    virtual QByteArrayView utf8(int index) const = 0;
};

// One prepared statement of an engine.
class StatementSource {
public:
    virtual ~StatementSource() = default;
    virtual void bind(int position, const QVariant &value) = 0;
    virtual void bindUtf8(int position, const char *data, int size) = 0;
    virtual void bindInt(int position, qint64 value) = 0;
    virtual void bindNull(int position) = 0;
    virtual int parameterCount() const = 0;
    virtual void execute() = 0;
};

// A forward-only, read-only result set. The first row is current right after
// the query; fields are read by name (without regard to case) or position.
class Recordset {
public:
    explicit Recordset(std::unique_ptr<RowSource> rows);
    Recordset(Recordset &&other) noexcept = default;
    Recordset &operator=(Recordset &&other) noexcept = default;
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;
    ~Recordset() = default;

    bool eof() const { return eof_; }
    void moveNext();

    int fieldCount() const;
    QString fieldName(int index) const;
    // Null comes back as a null QVariant; integers as qlonglong, reals as
    // double, texts as QString.
    QVariant field(int index) const;
    QVariant field(const QString &name) const;
    // The field as text, Null as empty text.
    QString text(const QString &name) const;
    QString text(int index) const;
    // The field as the engine's UTF-8 text, without making a QString: for
    // reading many rows. Valid until the next move; Null gives a null view,
    // empty text an empty one that is not null.
    QByteArrayView utf8(int index) const;
    int indexOf(const QString &name) const;

    void close();

private:
    void step();
    void checkField(int index) const;

    std::unique_ptr<RowSource> rows_;
    bool eof_ = true;
    mutable QHash<QString, int> names_;
};

// A prepared statement with positional '?' parameters, executed once per
// set of values (imports insert one row per execution).
class Statement {
public:
    explicit Statement(std::unique_ptr<StatementSource> source) : source_(std::move(source)) {}
    Statement(Statement &&other) noexcept = default;
    Statement &operator=(Statement &&other) noexcept = default;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement() = default;

    // Parameters are numbered from 1.
    void bind(int position, const QVariant &value) { source_->bind(position, value); }
    void bindText(int position, const QString &value);
    void bindUtf8(int position, const char *data, int size) { source_->bindUtf8(position, data, size); }
    void bindInt(int position, qint64 value) { source_->bindInt(position, value); }
    void bindNull(int position) { source_->bindNull(position); }
    int parameterCount() const { return source_->parameterCount(); }
    // Runs the statement with the bound values, then resets it for the next
    // execution (bindings stay until overwritten).
    void execute() { source_->execute(); }

private:
    std::unique_ptr<StatementSource> source_;
};

class Database {
public:
    // Opens an existing SQLite database file, or creates it when `create` is
    // set. Throws DbError(3024) when the file is missing and `create` is not
    // set.
    static std::unique_ptr<Database> open(const QString &path, bool create = false);
    virtual ~Database() = default;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // The main file, or the server and database for messages.
    virtual QString path() const = 0;

    // Attaches another database file under `schema`; its tables are then
    // reached by their bare names wherever the main file has no table of the
    // same name. On a server every table is in the one database already, so
    // attaching changes nothing there.
    virtual void attach(const QString &path, const QString &schema, bool create = false) = 0;
    virtual void detach(const QString &schema) = 0;
    virtual bool isAttached(const QString &schema) const = 0;

    // Runs one statement without result. Text after the first statement is an
    // error, so a value pasted into SQL can never smuggle in a second one.
    void execute(const QString &sql) { executeWith(sql, {}); }
    void execute(const QString &sql, std::initializer_list<QVariant> params) { executeWith(sql, params); }
    virtual void executeWith(const QString &sql, const std::vector<QVariant> &params) = 0;
    // Runs a script of several statements (installation data only).
    virtual void executeScript(const QString &sql) = 0;
    // Rows changed by the last execute.
    virtual qint64 changes() const = 0;

    Recordset query(const QString &sql) { return queryWith(sql, {}); }
    Recordset query(const QString &sql, std::initializer_list<QVariant> params) { return queryWith(sql, params); }
    virtual Recordset queryWith(const QString &sql, const std::vector<QVariant> &params) = 0;
    // Like query, but refuses any statement that could change data.
    virtual Recordset queryReadOnly(const QString &sql) = 0;
    // A reading statement written outside the program, run where it can only
    // read, within `limits` (store/BoundedQuery.h).
    virtual std::unique_ptr<BoundedQuery> boundedQuery(const QString &sql, const QueryLimits &limits) = 0;
    // The first column of the first row, or a null QVariant.
    QVariant scalar(const QString &sql, std::initializer_list<QVariant> params = {});

    virtual Statement prepare(const QString &sql) = 0;

    // Transactions nest: the outermost begin starts a write transaction,
    // inner ones become savepoints. Rolling back an outer level also undoes
    // inner levels that were committed. A statement that fails inside a
    // transaction is undone on its own; whether the rest of the transaction
    // can go on is the engine's: the server undoes the whole transaction (up
    // to the innermost savepoint) and refuses every statement after it until
    // that level is rolled back, so a failure is never committed unseen.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual int transactionDepth() const = 0;
    // Writes the pages the open transaction has changed so far into the
    // main file and syncs them, as the commit would. A transaction of a
    // million rows that does this now and then leaves its commit little to
    // sync, so no single step holds the window for long. Changes nothing
    // the transaction means: a rollback still undoes it all. (A server
    // writes as it goes: nothing to do there.)
    virtual void syncWrittenPages() = 0;

    // Whether a table (or view) of that name exists in `schema`
    // ("main", an attached name, or empty for any).
    virtual bool tableExists(const QString &table, const QString &schema = QString()) const = 0;
    virtual QStringList tables(const QString &schema) const = 0;
    virtual QStringList columns(const QString &table, const QString &schema = QString("main")) const = 0;

    // Bulk loading of a table's rows: the rows sent between bulkBegin and
    // bulkEnd are inserted as one statement of the open transaction. The
    // embedded engine inserts them one by one; a server takes them through
    // its copy protocol, several times faster.
    virtual void bulkBegin(const QString &table, const QStringList &columns) = 0;
    virtual void bulkRow(const std::vector<QVariant> &values) = 0;
    virtual void bulkEnd() = 0;

    // Writes a compacted copy of the main file to `target`, which must not
    // exist yet. Not allowed inside a transaction.
    virtual void compactInto(const QString &target) = 0;

    // Page-for-page copies through SQLite's online backup, never a copy of
    // a file a connection has open. backupInto writes the database `schema`
    // ("main" or an attached name) into the new file `target`; restoreFrom
    // replaces the content of `schema` by that of the file `source` in one
    // step of the engine (a failure leaves `schema` as it was). Neither is
    // allowed inside a transaction.
    virtual void backupInto(const QString &schema, const QString &target) = 0;
    virtual void restoreFrom(const QString &schema, const QString &source) = 0;

    // Work locks (store/WorkLock.h): takeWork holds `work` on `key` for
    // this connection without waiting and returns nothing, or the holder
    // (a desk's host, or a program) when another connection holds it; a
    // lock this connection holds already is held once more. releaseWork
    // gives one hold back.
    virtual std::optional<QString> takeWork(int work, qint64 key) = 0;
    virtual void releaseWork(int work, qint64 key) = 0;

    // The programs working on the same data now, this one included: each
    // desk (or program) with the work locks it holds.
    struct Desk {
        QString name;       // "tobari-edi HOST USER", or the program's record
        QString since;      // when it connected, "yyyy-MM-dd HH:mm:ss"
        QStringList holds;  // its work locks: "1:0" is work 1 on key 0
        bool self = false;
    };
    virtual QList<Desk> desks() = 0;

    // The embedded engine's own handle, for the store and the tests; null
    // on a server.
    virtual sqlite3 *handle() const { return nullptr; }

protected:
    Database() = default;
};

// A write transaction that is rolled back unless committed. Nested guards
// become savepoints.
class Transaction {
public:
    explicit Transaction(Database &db) : db_(db) { db_.begin(); }
    ~Transaction()
    {
        if (!done_) {
            try {
                db_.rollback();
            } catch (...) {
            }
        }
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit()
    {
        db_.commit();
        done_ = true;
    }
    void rollback()
    {
        done_ = true;
        db_.rollback();
    }

private:
    Database &db_;
    bool done_ = false;
};
