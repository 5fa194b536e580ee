#pragma once
// The database engine: one SQLite connection with the few operations the
// rest of the program relies on. Every failure throws DbError; nothing here
// talks to the user.

#include "store/DbError.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class Database;

// A forward-only, read-only result set. The first row is current right after
// the query; fields are read by name (without regard to case) or position.
class Recordset {
public:
    Recordset(Recordset &&other) noexcept;
    Recordset &operator=(Recordset &&other) noexcept;
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;
    ~Recordset();

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
    friend class Database;
    Recordset(Database *db, sqlite3_stmt *stmt);
    void step();

    Database *db_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
    bool eof_ = true;
    mutable QHash<QString, int> names_;
};

// A prepared statement with positional '?' parameters, executed once per
// set of values (imports insert one row per execution).
class Statement {
public:
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement();

    // Parameters are numbered from 1.
    void bind(int position, const QVariant &value);
    void bindText(int position, const QString &value);
    void bindUtf8(int position, const char *data, int size);
    void bindInt(int position, qint64 value);
    void bindNull(int position);
    int parameterCount() const;
    // Runs the statement with the bound values, then resets it for the next
    // execution (bindings stay until overwritten).
    void execute();

private:
    friend class Database;
    Statement(Database *db, sqlite3_stmt *stmt) : db_(db), stmt_(stmt) {}

    Database *db_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
};

class Database {
public:
    // Opens an existing database file, or creates it when `create` is set.
    // Throws DbError(3024) when the file is missing and `create` is not set.
    static std::unique_ptr<Database> open(const QString &path, bool create = false);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &path() const { return path_; }

    // Attaches another database file under `schema`; its tables are then
    // reached by their bare names wherever the main file has no table of the
    // same name.
    void attach(const QString &path, const QString &schema, bool create = false);
    void detach(const QString &schema);
    bool isAttached(const QString &schema) const;

    // Runs one statement without result. Text after the first statement is an
    // error, so a value pasted into SQL can never smuggle in a second one.
    void execute(const QString &sql);
    void execute(const QString &sql, std::initializer_list<QVariant> params);
    // Runs a script of several statements (installation data only).
    void executeScript(const QString &sql);
    // Rows changed by the last execute.
    qint64 changes() const;

    Recordset query(const QString &sql);
    Recordset query(const QString &sql, std::initializer_list<QVariant> params);
    // Like query, but refuses any statement that could change data.
    Recordset queryReadOnly(const QString &sql);
    // The first column of the first row, or a null QVariant.
    QVariant scalar(const QString &sql, std::initializer_list<QVariant> params = {});

    Statement prepare(const QString &sql);

    // Transactions nest: the outermost begin starts a write transaction,
    // inner ones become savepoints. Rolling back an outer level also undoes
    // inner levels that were committed.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return depth_; }
    // Writes the pages the open transaction has changed so far into the
    // main file and syncs them, as the commit would. A transaction of a
    // million rows that does this now and then leaves its commit little to
    // sync, so no single step holds the window for long. Changes nothing
    // the transaction means: a rollback still undoes it all.
    void syncWrittenPages();

    // Whether a table (or view) of that name exists in `schema`
    // ("main", an attached name, or empty for any).
    bool tableExists(const QString &table, const QString &schema = QString()) const;
    QStringList tables(const QString &schema) const;
    QStringList columns(const QString &table, const QString &schema = QString("main")) const;

    // Writes a compacted copy of the main file to `target`, which must not
    // exist yet. Not allowed inside a transaction.
    void compactInto(const QString &target);

    // Page-for-page copies through SQLite's online backup, never a copy of
    // a file a connection has open. backupInto writes the database `schema`
    // ("main" or an attached name) into the new file `target`; restoreFrom
    // replaces the content of `schema` by that of the file `source` in one
    // step of the engine (a failure leaves `schema` as it was). Neither is
    // allowed inside a transaction.
    void backupInto(const QString &schema, const QString &target);
    void restoreFrom(const QString &schema, const QString &source);

    sqlite3 *handle() const { return db_; }

    // Set by an application function that fails, so that the statement's
    // failure reports that function's error number (13 for CLNG('abc')).
    void setFunctionError(int number) { functionError_ = number; }

    [[noreturn]] void throwError(int rc, const QString &context = QString());

private:
    Database(sqlite3 *db, const QString &path) : db_(db), path_(path) {}
    sqlite3_stmt *prepareRaw(const QString &sql, bool single);
    void runSimple(const char *sql);
    friend class Recordset;
    friend class Statement;

    sqlite3 *db_ = nullptr;
    QString path_;
    int depth_ = 0;
    int functionError_ = 0;
    QStringList attached_;
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
