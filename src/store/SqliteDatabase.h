#pragma once
// The embedded engine: one SQLite connection on a data folder's data.db,
// with common.db attached.

#include "store/Database.h"

struct sqlite3_stmt;

class SqliteDatabase final : public Database {
public:
    // See Database::open.
    static std::unique_ptr<SqliteDatabase> openFile(const QString &path, bool create = false);
    ~SqliteDatabase() override;

    QString path() const override { return path_; }

    void attach(const QString &path, const QString &schema, bool create = false) override;
    void detach(const QString &schema) override;
    bool isAttached(const QString &schema) const override;

    void executeWith(const QString &sql, const std::vector<QVariant> &params) override;
    void executeScript(const QString &sql) override;
    qint64 changes() const override;

    Recordset queryWith(const QString &sql, const std::vector<QVariant> &params) override;
    Recordset queryReadOnly(const QString &sql) override;
    std::unique_ptr<BoundedQuery> boundedQuery(const QString &sql, const QueryLimits &limits) override;
    Statement prepare(const QString &sql) override;

    void begin() override;
    void commit() override;
    void rollback() override;
    int transactionDepth() const override { return depth_; }
    void syncWrittenPages() override;

    bool tableExists(const QString &table, const QString &schema = QString()) const override;
    QStringList tables(const QString &schema) const override;
    QStringList columns(const QString &table, const QString &schema = QString("main")) const override;

    void bulkBegin(const QString &table, const QStringList &columns) override;
    void bulkRow(const std::vector<QVariant> &values) override;
    void bulkEnd() override;

    void compactInto(const QString &target) override;
    void backupInto(const QString &schema, const QString &target) override;
    void restoreFrom(const QString &schema, const QString &source) override;

    std::optional<QString> takeWork(int work, qint64 key) override;
    void releaseWork(int work, qint64 key) override;
    QList<Desk> desks() override;

    sqlite3 *handle() const override { return db_; }

    // Set by an application function that fails, so that the statement's
    // failure reports that function's error number (13 for CLNG('abc')).
    void setFunctionError(int number) { functionError_ = number; }
    // A statement stepped: forget the last function's error.
    void clearFunctionError() { functionError_ = 0; }

    [[noreturn]] void throwError(int rc, const QString &context = QString());

    // A connection on `raw` (already opened and set up by the caller).
    SqliteDatabase(sqlite3 *db, const QString &path) : db_(db), path_(path) {}

private:
    sqlite3_stmt *prepareRaw(const QString &sql, bool single);
    void runSimple(const char *sql);

    sqlite3 *db_ = nullptr;
    QString path_;
    int depth_ = 0;
    int functionError_ = 0;
    QStringList attached_;
    std::unique_ptr<Statement> bulk_;
    int bulkColumns_ = 0;
};
