#include "store/PgDatabase.h"

#include "store/BoundedQuery.h"
#include "store/Schema.h"
#include "store/ServerSchema.h"
#include "store/SqlDialect.h"

#include <QSysInfo>

namespace {

class PgRowSource final : public RowSource {
public:
    explicit PgRowSource(PgRows rows) : rows_(std::move(rows)) {}

    bool next() override
    {
        if (started_)
            rows_.moveNext();
        started_ = true;
        return !rows_.eof();
    }
    int fieldCount() const override { return rows_.fieldCount(); }
    QString fieldName(int index) const override { return rows_.fieldName(index); }
    QVariant value(int index) const override { return rows_.field(index); }
    QByteArrayView utf8(int index) const override { return rows_.utf8(index); }

private:
    PgRows rows_;
    bool started_ = false;
};

// The server parses the statement at each execution; the values travel
// apart from the text, so nothing in them is ever read as SQL.
class PgStatement final : public StatementSource {
public:
    PgStatement(PgConnection &conn, const QString &sql) : conn_(conn), sql_(sql)
    {
        int count = 0;
        sqldialect::toServer(sql, &count);
        values_.resize(size_t(count));
    }

    void bind(int position, const QVariant &value) override { slot(position) = value; }
    void bindUtf8(int position, const char *data, int size) override
    {
        slot(position) = QString::fromUtf8(data ? data : "", size);
    }
    void bindInt(int position, qint64 value) override { slot(position) = QVariant(qlonglong(value)); }
    void bindNull(int position) override { slot(position) = QVariant(); }
    int parameterCount() const override { return int(values_.size()); }
    void execute() override { conn_.execute(sql_, values_); }

private:
    QVariant &slot(int position)
    {
        if (position < 1 || position > int(values_.size()))
            throw DbError(DbErr::ServerBase, QStringLiteral("パラメーターの番号 %1 が範囲外です。").arg(position));
        return values_[size_t(position - 1)];
    }

    PgConnection &conn_;
    QString sql_;
    std::vector<QVariant> values_;
};

// A custom export on the server: its own session in a read-only
// transaction with a statement timeout, rows fetched from a cursor a few
// hundred at a time.
class PgBoundedQuery final : public BoundedQuery {
public:
    PgBoundedQuery(std::unique_ptr<PgConnection> conn, const QString &sql, const QueryLimits &limits)
        : conn_(std::move(conn)), limits_(limits)
    {
        conn_->execute(QStringLiteral("BEGIN READ ONLY"));
        conn_->execute(QStringLiteral("SET LOCAL statement_timeout = %1").arg(limits.maxSeconds * 1000));
        try {
            conn_->execute(QStringLiteral("DECLARE tobari_export NO SCROLL CURSOR FOR ") + sql);
        } catch (const DbError &e) {
            throwLimit(e);
        }
        fetch();
    }

    bool next() override
    {
        if (started_)
            rows_->moveNext();
        started_ = true;
        if (rows_->eof() && rows_->rowCount() == kBatch)
            fetch();
        if (rows_->eof())
            return false;
        if (++count_ > limits_.maxRows)
            throw DbError(DbErr::QueryLimit, QStringLiteral("結果が %1 行を超えるため中止しました。").arg(limits_.maxRows));
        if (rows_->largestValue() > limits_.maxValueBytes)
            throw DbError(DbErr::QueryLimit,
                          QStringLiteral("%1 バイトを超える値があるため中止しました。").arg(limits_.maxValueBytes));
        return true;
    }
    int columnCount() const override { return rows_->fieldCount(); }
    std::optional<bool> declaredText(int column) const override { return rows_->declaredText(column); }
    QVariant value(int column) const override { return rows_->field(column); }

private:
    static constexpr int kBatch = 500;

    void fetch()
    {
        try {
            rows_.emplace(conn_->query(QStringLiteral("FETCH %1 FROM tobari_export").arg(kBatch)));
        } catch (const DbError &e) {
            throwLimit(e);
        }
    }

    // The server's own limits stop the query as the export's limits would;
    // the server can make a constant value while planning, so the
    // declaration meets them too. Any other error goes on as it is.
    [[noreturn]] void throwLimit(const DbError &e) const
    {
        // 57014: the statement timeout ended the query.
        if (e.description().contains(QLatin1String("SQLSTATE 57014")))
            throw DbError(DbErr::QueryLimit,
                          QStringLiteral("SQL 文が %1 秒を過ぎても終わらないため中止しました。").arg(limits_.maxSeconds));
        // 54000: a value larger than the server can hold, far past any cap.
        if (e.description().contains(QLatin1String("SQLSTATE 54000")))
            throw DbError(DbErr::QueryLimit,
                          QStringLiteral("%1 バイトを超える値があるため中止しました。").arg(limits_.maxValueBytes));
        throw e;
    }

    std::unique_ptr<PgConnection> conn_;
    QueryLimits limits_;
    std::optional<PgRows> rows_;
    qint64 count_ = 0;
    bool started_ = false;
};

[[noreturn]] void fileCopiesOnly(const QString &what)
{
    throw DbError(DbErr::ServerBase,
                  QStringLiteral("%1 はデータフォルダのデータベースファイルの操作です。サーバーのデータベースでは使えません。")
                      .arg(what));
}

} // namespace

std::unique_ptr<PgDatabase> PgDatabase::open(const QString &connection, const QString &schema)
{
    auto conn = PgConnection::open(connection, deskName(), schema);
    if (conn->scalar(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?"), {schema}).isNull())
        conn->execute(QStringLiteral("CREATE SCHEMA IF NOT EXISTS ") + schema);
    if (ServerSchema::version(*conn) < Schema::Version)
        ServerSchema::ensure(*conn);
    else if (ServerSchema::version(*conn) > Schema::Version)
        ServerSchema::ensure(*conn);   // refuses a newer schema with its message
    return std::make_unique<PgDatabase>(std::move(conn));
}

QString PgDatabase::deskName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    // The server keeps 63 bytes of the name.
    return QStringLiteral("tobari-edi %1 %2").arg(QSysInfo::machineHostName(), user).left(60);
}

QString PgDatabase::path() const
{
    return QStringLiteral("%1 (%2)").arg(conn_->serverName(), conn_->schema());
}

void PgDatabase::attach(const QString &, const QString &schema, bool)
{
    if (!attached_.contains(schema))
        attached_.append(schema);
}

void PgDatabase::detach(const QString &schema)
{
    attached_.removeAll(schema);
}

bool PgDatabase::isAttached(const QString &schema) const
{
    return attached_.contains(schema);
}

void PgDatabase::executeWith(const QString &sql, const std::vector<QVariant> &params)
{
    conn_->execute(sql, params);
}

void PgDatabase::executeScript(const QString &sql)
{
    conn_->executeScript(sqldialect::toServer(sql));
}

Recordset PgDatabase::queryWith(const QString &sql, const std::vector<QVariant> &params)
{
    return Recordset(std::make_unique<PgRowSource>(conn_->query(sql, params)));
}

Recordset PgDatabase::queryReadOnly(const QString &sql)
{
    // A savepoint made read-only: whatever the statement tries to change,
    // the server refuses, and rolling back to the savepoint ends the mode.
    conn_->begin();
    try {
        conn_->execute(QStringLiteral("SET LOCAL transaction_read_only = on"));
        PgRows rows = conn_->query(sql);
        if (rows.fieldCount() == 0)
            throw DbError(DbErr::ServerBase, QStringLiteral("データを変更する SQL 文は実行できません。"));
        conn_->rollback();
        return Recordset(std::make_unique<PgRowSource>(std::move(rows)));
    } catch (const DbError &e) {
        try {
            conn_->rollback();
        } catch (...) {
        }
        if (e.description().contains(QLatin1String("SQLSTATE 25006")))
            throw DbError(DbErr::ServerBase, QStringLiteral("データを変更する SQL 文は実行できません。"));
        throw;
    }
}

std::unique_ptr<BoundedQuery> PgDatabase::boundedQuery(const QString &sql, const QueryLimits &limits)
{
    auto session = PgConnection::open(conn_->connectionString(), deskName(), conn_->schema());
    return std::make_unique<PgBoundedQuery>(std::move(session), sql, limits);
}

Statement PgDatabase::prepare(const QString &sql)
{
    return Statement(std::make_unique<PgStatement>(*conn_, sql));
}

bool PgDatabase::tableExists(const QString &table, const QString &) const
{
    return !conn_->scalar(QStringLiteral("SELECT 1 FROM information_schema.tables "
                                         "WHERE table_schema = current_schema() AND table_name = ?"),
                          {sqldialect::folded(table)})
                .isNull();
}

QStringList PgDatabase::tables(const QString &schema) const
{
    // The program's tables of that home (data or shared), as declared.
    const TableDef::Home home = schema == Schema::commonSchema() ? TableDef::Common : TableDef::Data;
    QStringList out;
    for (const TableDef &t : Schema::tables()) {
        if (t.home == home && tableExists(t.name))
            out << t.name;
    }
    return out;
}

QStringList PgDatabase::columns(const QString &table, const QString &) const
{
    QStringList out;
    const TableDef *declared = Schema::find(table);
    PgRows rows = conn_->query(QStringLiteral("SELECT column_name FROM information_schema.columns "
                                              "WHERE table_schema = current_schema() AND table_name = ? "
                                              "ORDER BY ordinal_position"),
                               {sqldialect::folded(table)});
    for (; !rows.eof(); rows.moveNext()) {
        QString name = rows.text(0);
        if (declared) {
            for (const ColumnDef &c : declared->columns) {
                if (sqldialect::folded(c.name) == name)
                    name = c.name;
            }
        }
        out << name;
    }
    return out;
}

void PgDatabase::bulkBegin(const QString &table, const QStringList &columns)
{
    conn_->copyBegin(table, columns);
}

void PgDatabase::compactInto(const QString &)
{
    fileCopiesOnly(QStringLiteral("最適化のコピー"));
}
