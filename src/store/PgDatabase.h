#pragma once
// The server engine: the program's data in one schema of a PostgreSQL
// database, reached through libpq. Several desks work on it at once.

#include "store/Database.h"
#include "store/PgConnection.h"

class PgDatabase final : public Database {
public:
    // Opens a session on `connection` (a libpq connection string) working
    // in `schema`, creating the schema's tables and default rows when they
    // are missing (store/ServerSchema.h).
    static std::unique_ptr<PgDatabase> open(const QString &connection, const QString &schema);
    // The name the session shows to other desks: program, host and user.
    static QString deskName();

    QString path() const override;

    // Every table is in the one schema: attaching only records the name.
    void attach(const QString &path, const QString &schema, bool create = false) override;
    void detach(const QString &schema) override;
    bool isAttached(const QString &schema) const override;

    void executeWith(const QString &sql, const std::vector<QVariant> &params) override;
    void executeScript(const QString &sql) override;
    qint64 changes() const override { return conn_->changes(); }

    Recordset queryWith(const QString &sql, const std::vector<QVariant> &params) override;
    Recordset queryReadOnly(const QString &sql) override;
    std::unique_ptr<BoundedQuery> boundedQuery(const QString &sql, const QueryLimits &limits) override;
    Statement prepare(const QString &sql) override;

    void begin() override { conn_->begin(); }
    void commit() override { conn_->commit(); }
    void rollback() override { conn_->rollback(); }
    int transactionDepth() const override { return conn_->transactionDepth(); }
    void syncWrittenPages() override {}

    bool tableExists(const QString &table, const QString &schema = QString()) const override;
    QStringList tables(const QString &schema) const override;
    QStringList columns(const QString &table, const QString &schema = QString("main")) const override;

    void bulkBegin(const QString &table, const QStringList &columns) override;
    void bulkRow(const std::vector<QVariant> &values) override { conn_->copyRow(values); }
    void bulkEnd() override { conn_->copyEnd(); }

    void compactInto(const QString &target) override;
    void backupInto(const QString &schema, const QString &target) override;
    void restoreFrom(const QString &schema, const QString &source) override;

    std::optional<QString> takeWork(int work, qint64 key) override;
    void releaseWork(int work, qint64 key) override;
    QList<Desk> desks() override;

    PgConnection &connection() { return *conn_; }

    explicit PgDatabase(std::unique_ptr<PgConnection> conn) : conn_(std::move(conn)) {}

private:
    std::unique_ptr<PgConnection> conn_;
    QStringList attached_;
};
