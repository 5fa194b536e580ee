#include "store/BoundedQuery.h"

#include "store/SqliteDatabase.h"
#include "store/JetFunctions.h"

#include <QDeadlineTimer>
#include <QSet>

#include <algorithm>

#include <sqlite3.h>

namespace {

// The functions a definition may call: the engine's ordinary scalar,
// aggregate, window, date, math and JSON value functions and the old
// engine's own. Anything else registered on a connection (fts3_tokenizer,
// which hands out and takes raw pointers; the full-text and R-tree helpers;
// load_extension) is refused by not being here.
const QSet<QString> &allowedFunctions()
{
    static const QSet<QString> names{
        // scalar
        "abs", "char", "coalesce", "concat", "concat_ws", "format", "glob", "hex", "ifnull", "iif", "instr",
        "length", "like", "likelihood", "likely", "lower", "ltrim", "max", "min", "nullif", "octet_length",
        "printf", "quote", "random", "randomblob", "replace", "round", "rtrim", "sign", "soundex", "substr",
        "substring", "trim", "typeof", "unhex", "unicode", "unlikely", "upper", "zeroblob",
        // date and time
        "date", "time", "datetime", "julianday", "unixepoch", "strftime", "timediff",
        // aggregate
        "avg", "count", "group_concat", "string_agg", "sum", "total",
        // window
        "row_number", "rank", "dense_rank", "percent_rank", "cume_dist", "ntile", "lag", "lead",
        "first_value", "last_value", "nth_value",
        // math
        "acos", "acosh", "asin", "asinh", "atan", "atan2", "atanh", "ceil", "ceiling", "cos", "cosh",
        "degrees", "exp", "floor", "ln", "log", "log10", "log2", "mod", "pi", "pow", "power", "radians",
        "sin", "sinh", "sqrt", "tan", "tanh", "trunc",
        // JSON values (not json_each or json_tree, which are tables)
        "json", "json_array", "json_array_length", "json_extract", "json_insert", "json_object", "json_patch",
        "json_remove", "json_replace", "json_set", "json_type", "json_valid", "json_quote", "json_group_array",
        "json_group_object", "->", "->>",
        // the old engine's
        "clng", "fix", "cstr", "mid", "jcat"};
    return names;
}

// What the authorizer sees: the program's tables ("schema.table", lower
// case) and, after a refusal, what was refused.
struct Guard {
    QSet<QString> tables;
    QString refused;
    QDeadlineTimer deadline;
    bool timedOut = false;
};

int authorize(void *context, int action, const char *a1, const char *a2, const char *a3, const char *)
{
    auto *guard = static_cast<Guard *>(context);
    const auto text = [](const char *s) { return QString::fromUtf8(s ? s : ""); };
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_READ:
        // A common table expression or a subquery has no schema; what it
        // reads was authorized on its own.
        if (!a3 || !*a3)
            return SQLITE_OK;
        if (guard->tables.contains(text(a3).toLower() + QLatin1Char('.') + text(a1).toLower()))
            return SQLITE_OK;
        guard->refused = QStringLiteral("表 %1").arg(text(a1));
        return SQLITE_DENY;
    case SQLITE_FUNCTION:
        if (allowedFunctions().contains(text(a2).toLower()))
            return SQLITE_OK;
        guard->refused = QStringLiteral("関数 %1").arg(text(a2));
        return SQLITE_DENY;
    case SQLITE_PRAGMA:
        guard->refused = QStringLiteral("PRAGMA %1").arg(text(a1));
        return SQLITE_DENY;
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
        guard->refused = QStringLiteral("ATTACH / DETACH");
        return SQLITE_DENY;
    default:
        guard->refused = QStringLiteral("データや接続を変える文");
        return SQLITE_DENY;
    }
}

int progress(void *context)
{
    auto *guard = static_cast<Guard *>(context);
    if (!guard->deadline.hasExpired())
        return 0;
    guard->timedOut = true;
    return 1;
}

std::optional<bool> declaredAsText(const char *declared)
{
    // SQLite's affinity rule: INT wins, then CHAR, CLOB or TEXT.
    if (!declared || !*declared)
        return std::nullopt;
    const QString t = QString::fromUtf8(declared).toUpper();
    if (t.contains(QLatin1String("INT")))
        return false;
    return t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT"));
}

class SqliteBoundedQuery final : public BoundedQuery {
public:
    SqliteBoundedQuery(std::unique_ptr<SqliteDatabase> db, const QueryLimits &limits)
        : db_(std::move(db)), limits_(limits)
    {
    }
    ~SqliteBoundedQuery() override
    {
        sqlite3_finalize(stmt_);
    }

    void start(const QString &sql);
    bool next() override;
    int columnCount() const override { return sqlite3_column_count(stmt_); }
    std::optional<bool> declaredText(int column) const override
    {
        return declaredAsText(sqlite3_column_decltype(stmt_, column));
    }
    QVariant value(int column) const override;
    SqliteDatabase &db() { return *db_; }

    Guard guard;

private:
    [[noreturn]] void fail(int rc);

    std::unique_ptr<SqliteDatabase> db_;
    QueryLimits limits_;
    sqlite3_stmt *stmt_ = nullptr;
    qint64 rows_ = 0;
};

void SqliteBoundedQuery::start(const QString &sql)
{
    sqlite3 *h = db_->handle();
    const QByteArray u = sql.toUtf8();
    const char *tail = nullptr;
    guard.deadline = QDeadlineTimer(limits_.maxSeconds * 1000);
    const int rc = sqlite3_prepare_v2(h, u.constData(), int(u.size()), &stmt_, &tail);
    if (rc != SQLITE_OK)
        fail(rc);
    if (!stmt_)
        throw DbError(DbErr::SqliteBase + SQLITE_ERROR, QStringLiteral("SQL 文が空です。"));
    for (const char *p = tail; p && *p; ++p)
        if (!(*p == ';' || *p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
            throw DbError(DbErr::SqliteBase + SQLITE_ERROR, QStringLiteral("SQL 文の後に余分な文字があります。"));
    if (!sqlite3_stmt_readonly(stmt_) || sqlite3_column_count(stmt_) == 0)
        throw DbError(DbErr::SqliteBase + SQLITE_READONLY, QStringLiteral("データを変更する SQL 文は実行できません。"));
}

void SqliteBoundedQuery::fail(int rc)
{
    const int base = rc & 0xFF;
    if (base == SQLITE_INTERRUPT && guard.timedOut)
        throw DbError(DbErr::QueryLimit,
                      QStringLiteral("SQL 文が %1 秒を過ぎても終わらないため中止しました。").arg(limits_.maxSeconds));
    if (base == SQLITE_TOOBIG)
        throw DbError(DbErr::QueryLimit,
                      QStringLiteral("%1 バイトを超える値があるため中止しました。").arg(limits_.maxValueBytes));
    if (base == SQLITE_AUTH)
        throw DbError(DbErr::SqliteBase + SQLITE_AUTH,
                      QStringLiteral("書き出しの SQL 文が使えるのはこのプログラムの表と普通の関数だけです"
                                     "（%1 は使えません）。")
                          .arg(guard.refused));
    db_->throwError(rc);
}

bool SqliteBoundedQuery::next()
{
    db_->setFunctionError(0);
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        fail(rc);
    if (++rows_ > limits_.maxRows)
        throw DbError(DbErr::QueryLimit,
                      QStringLiteral("結果が %1 行を超えるため中止しました。").arg(limits_.maxRows));
    // Only texts and blobs are measured: asking a number for its bytes
    // would turn it into text.
    for (int i = 0; i < sqlite3_column_count(stmt_); ++i) {
        const int type = sqlite3_column_type(stmt_, i);
        if ((type == SQLITE_TEXT || type == SQLITE_BLOB) && sqlite3_column_bytes(stmt_, i) > limits_.maxValueBytes)
            fail(SQLITE_TOOBIG);
    }
    return true;
}

QVariant SqliteBoundedQuery::value(int i) const
{
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt_, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt_, i)),
                                          sqlite3_column_bytes(stmt_, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt_, i)),
                                   sqlite3_column_bytes(stmt_, i)));
    default:
        return QVariant();
    }
}

} // namespace

std::unique_ptr<BoundedQuery> SqliteDatabase::boundedQuery(const QString &sql, const QueryLimits &limits)
{
    // The files this connection has open, attached ones under their names.
    QList<std::pair<QString, QString>> files;
    {
        Recordset rs = query(QStringLiteral("SELECT name, file FROM pragma_database_list WHERE name <> 'temp'"));
        for (; !rs.eof(); rs.moveNext())
            files.append({rs.text(0), rs.text(1)});
    }
    if (files.isEmpty() || files.front().second.isEmpty())
        throw DbError(DbErr::DatabaseFileMissing, QStringLiteral("読み出し用に開くデータベース ファイルがありません。"));

    sqlite3 *raw = nullptr;
    // Attached files take the main file's flags: everything is read-only.
    int rc = sqlite3_open_v2(files.front().second.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        sqlite3_close_v2(raw);
        throw DbError(DbErr::SqliteBase + rc, msg);
    }
    sqlite3_extended_result_codes(raw, 1);
    auto q = std::make_unique<SqliteBoundedQuery>(std::make_unique<SqliteDatabase>(raw, files.front().second),
                                                  limits);
    SqliteDatabase &ro = q->db();
    sqlite3_busy_timeout(raw, 3000);
    for (qsizetype i = 1; i < files.size(); ++i)
        ro.execute(QStringLiteral("ATTACH DATABASE ? AS \"%1\"").arg(files[i].first), {files[i].second});
    ro.execute(QStringLiteral("PRAGMA query_only=1"));
    const std::pair<int, int> settings[] = {
        {SQLITE_DBCONFIG_DEFENSIVE, 1},
        {SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0},
        {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0},
        {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
    };
    for (const auto &[option, on] : settings) {
        rc = sqlite3_db_config(raw, option, on, nullptr);
        if (rc != SQLITE_OK)
            ro.throwError(rc, QStringLiteral("sqlite3_db_config"));
    }
    // Values stay small: the engine refuses to make a text or blob larger.
    sqlite3_limit(raw, SQLITE_LIMIT_LENGTH, int(std::clamp<qint64>(limits.maxValueBytes, 1000, 1000000000)));
    registerJetFunctions(ro);
    for (const auto &[schema, file] : files) {
        Recordset rs = ro.query(QStringLiteral("SELECT name FROM \"%1\".sqlite_master WHERE type IN ('table','view') "
                                               "AND name NOT LIKE 'sqlite!_%' ESCAPE '!' "
                                               "AND coalesce(sql,'') NOT LIKE 'CREATE VIRTUAL%'")
                                    .arg(schema));
        for (; !rs.eof(); rs.moveNext())
            q->guard.tables.insert(schema.toLower() + QLatin1Char('.') + rs.text(0).toLower());
    }
    sqlite3_set_authorizer(raw, authorize, &q->guard);
    sqlite3_progress_handler(raw, 10000, progress, &q->guard);
    q->start(sql);
    return q;
}
