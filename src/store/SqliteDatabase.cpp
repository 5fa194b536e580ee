#include "store/SqliteDatabase.h"

#include "store/JetFunctions.h"
#include "store/StatementWatch.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace {

// How long a statement waits for another program's write to end. An import
// of a million records holds its transaction for several seconds.
constexpr int BusyWaitMs = 10000;

QString describe(sqlite3 *db, int rc)
{
    // The engine's own words ("database is locked") tell the operator nothing.
    if ((rc & 0xff) == SQLITE_BUSY || (db && (sqlite3_extended_errcode(db) & 0xff) == SQLITE_BUSY))
        return QStringLiteral("他のプログラムがデータを使用中です。しばらく待ってからもう一度実行してください。");
    const char *msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return QString::fromUtf8(msg ? msg : sqlite3_errstr(rc));
}

QVariant columnValue(sqlite3_stmt *stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, i)),
                                          sqlite3_column_bytes(stmt, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, i)),
                                   sqlite3_column_bytes(stmt, i)));
    default:
        return QVariant();
    }
}

void bindValue(SqliteDatabase *db, sqlite3_stmt *stmt, int pos, const QVariant &v)
{
    int rc;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(stmt, pos);
    } else {
        switch (v.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt, pos, v.toBool() ? -1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt, pos, v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, pos, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob(stmt, pos, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray u = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, pos, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        db->throwError(rc);
}

} // namespace

// ---------------------------------------------------------------- rows

namespace {

class SqliteRows final : public RowSource {
public:
    SqliteRows(SqliteDatabase *db, sqlite3_stmt *stmt) : db_(db), stmt_(stmt) {}
    ~SqliteRows() override { sqlite3_finalize(stmt_); }
    sqlite3_stmt *statement() const { return stmt_; }

    bool next() override
    {
        db_->clearFunctionError();
        const int rc = StatementWatch::step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        db_->throwError(rc);
    }
    int fieldCount() const override { return sqlite3_column_count(stmt_); }
    QString fieldName(int index) const override { return QString::fromUtf8(sqlite3_column_name(stmt_, index)); }
    QVariant value(int index) const override { return columnValue(stmt_, index); }
    QByteArrayView utf8(int index) const override
    {
        if (sqlite3_column_type(stmt_, index) == SQLITE_NULL)
            return {};
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, index));
        if (!text)
            throw DbError(7, QStringLiteral("メモリが不足しています。"));
        return QByteArrayView(text, sqlite3_column_bytes(stmt_, index));
    }

private:
    SqliteDatabase *db_;
    sqlite3_stmt *stmt_;
};

class SqliteStatement final : public StatementSource {
public:
    SqliteStatement(SqliteDatabase *db, sqlite3_stmt *stmt) : db_(db), stmt_(stmt) {}
    ~SqliteStatement() override { sqlite3_finalize(stmt_); }

    void bind(int position, const QVariant &value) override { bindValue(db_, stmt_, position, value); }
    void bindUtf8(int position, const char *data, int size) override
    {
        check(sqlite3_bind_text(stmt_, position, data ? data : "", size, SQLITE_TRANSIENT));
    }
    void bindInt(int position, qint64 value) override { check(sqlite3_bind_int64(stmt_, position, value)); }
    void bindNull(int position) override { check(sqlite3_bind_null(stmt_, position)); }
    int parameterCount() const override { return sqlite3_bind_parameter_count(stmt_); }
    void execute() override
    {
        db_->clearFunctionError();
        int rc = StatementWatch::step(stmt_);
        while (rc == SQLITE_ROW)
            rc = StatementWatch::step(stmt_);
        sqlite3_reset(stmt_);
        if (rc != SQLITE_DONE)
            db_->throwError(rc);
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            db_->throwError(rc);
    }

    SqliteDatabase *db_;
    sqlite3_stmt *stmt_;
};

} // namespace

// ---------------------------------------------------------------- Database

std::unique_ptr<Database> Database::open(const QString &path, bool create)
{
    return SqliteDatabase::openFile(path, create);
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::openFile(const QString &path, bool create)
{
    if (!create && !QFileInfo::exists(path))
        throw DbError(DbErr::DatabaseFileMissing,
                      QStringLiteral("ファイル '%1' が見つかりません。").arg(path));
    sqlite3 *raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = describe(raw, rc);
        const int ext = raw ? sqlite3_extended_errcode(raw) : rc;
        sqlite3_close_v2(raw);
        throw DbError(DbErr::SqliteBase + ext, msg + QStringLiteral(" (%1)").arg(path));
    }
    sqlite3_extended_result_codes(raw, 1);
    auto db = std::make_unique<SqliteDatabase>(raw, path);
    // Another program may be writing: wait for it rather than fail.
    sqlite3_busy_timeout(raw, BusyWaitMs);
    db->runSimple("PRAGMA foreign_keys=OFF");
    // A rollback journal (not WAL) keeps a transaction that spans data.db and
    // the attached common.db atomic across both files; FULL syncs the journal
    // before the database is written, so a power cut leaves either the old or
    // the new state.
    db->runSimple("PRAGMA journal_mode=DELETE");
    db->runSimple("PRAGMA synchronous=FULL");
    // Reading the schema now turns a file that is not a database into an
    // error here rather than at the first statement.
    db->runSimple("SELECT count(*) FROM sqlite_master");
    registerJetFunctions(*db);
    return db;
}

SqliteDatabase::~SqliteDatabase()
{
    if (db_) {
        if (depth_ > 0)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db_);
    }
}

void SqliteDatabase::throwError(int rc, const QString &context)
{
    const int ext = db_ ? sqlite3_extended_errcode(db_) : rc;
    QString msg = describe(db_, rc);
    if (!context.isEmpty())
        msg += QStringLiteral(" (%1)").arg(context);
    // SQLite may roll back on its own (disk full, I/O error): keep our
    // nesting count true to the connection's state.
    if (depth_ > 0 && db_ && sqlite3_get_autocommit(db_))
        depth_ = 0;
    const int fn = functionError_;
    functionError_ = 0;
    if (fn != 0)
        throw DbError(fn, msg);
    throw DbError(DbErr::SqliteBase + ext, msg);
}

void SqliteDatabase::runSimple(const char *sql)
{
    char *err = nullptr;
    const int rc = StatementWatch::exec(db_, sql, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK)
        throwError(rc, QString::fromUtf8(sql));
}

sqlite3_stmt *SqliteDatabase::prepareRaw(const QString &sql, bool single)
{
    const QByteArray u = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    functionError_ = 0;
    const int rc = sqlite3_prepare_v2(db_, u.constData(), int(u.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        throwError(rc, sql.left(200));
    if (!stmt)
        throw DbError(DbErr::SqliteBase + SQLITE_ERROR, QStringLiteral("SQL 文が空です。"));
    if (single && tail) {
        for (const char *p = tail; *p; ++p) {
            if (*p == ';' || *p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
                continue;
            sqlite3_finalize(stmt);
            throw DbError(DbErr::SqliteBase + SQLITE_ERROR,
                          QStringLiteral("SQL 文の後に余分な文字があります。 (%1)").arg(sql.left(200)));
        }
    }
    return stmt;
}

void SqliteDatabase::executeWith(const QString &sql, const std::vector<QVariant> &params)
{
    SqliteStatement st(this, prepareRaw(sql, true));
    int i = 1;
    for (const QVariant &v : params)
        st.bind(i++, v);
    st.execute();
}

void SqliteDatabase::executeScript(const QString &sql)
{
    char *err = nullptr;
    functionError_ = 0;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK)
        throwError(rc);
}

qint64 SqliteDatabase::changes() const
{
    return sqlite3_changes64(db_);
}

Recordset SqliteDatabase::queryWith(const QString &sql, const std::vector<QVariant> &params)
{
    auto rows = std::make_unique<SqliteRows>(this, prepareRaw(sql, true));
    sqlite3_stmt *stmt = rows->statement();
    int i = 1;
    for (const QVariant &v : params)
        bindValue(this, stmt, i++, v);
    return Recordset(std::move(rows));
}

Recordset SqliteDatabase::queryReadOnly(const QString &sql)
{
    sqlite3_stmt *stmt = prepareRaw(sql, true);
    // A statement that changes nothing but returns nothing either (BEGIN,
    // COMMIT) is no query: it would change the connection's state.
    if (!sqlite3_stmt_readonly(stmt) || sqlite3_column_count(stmt) == 0) {
        sqlite3_finalize(stmt);
        throw DbError(DbErr::SqliteBase + SQLITE_READONLY,
                      QStringLiteral("データを変更する SQL 文は実行できません。"));
    }
    return Recordset(std::make_unique<SqliteRows>(this, stmt));
}

Statement SqliteDatabase::prepare(const QString &sql)
{
    return Statement(std::make_unique<SqliteStatement>(this, prepareRaw(sql, true)));
}

void SqliteDatabase::bulkBegin(const QString &table, const QStringList &columns)
{
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    bulk_ = std::make_unique<Statement>(prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                    .arg(table, columns.join(QLatin1Char(',')),
                                                         marks.join(QLatin1Char(',')))));
    bulkColumns_ = int(columns.size());
}

void SqliteDatabase::bulkRow(const std::vector<QVariant> &values)
{
    if (!bulk_ || int(values.size()) != bulkColumns_)
        throw DbError(DbErr::SqliteBase + SQLITE_MISUSE, QStringLiteral("一括登録の列の数が合いません。"));
    int i = 1;
    for (const QVariant &v : values)
        bulk_->bind(i++, v);
    bulk_->execute();
}

void SqliteDatabase::bulkEnd()
{
    bulk_.reset();
    bulkColumns_ = 0;
}

void SqliteDatabase::begin()
{
    if (depth_ == 0)
        runSimple("BEGIN IMMEDIATE");   // take the write lock now, as a row lock would
    else
        runSimple(QStringLiteral("SAVEPOINT tx%1").arg(depth_).toUtf8().constData());
    ++depth_;
}

void SqliteDatabase::commit()
{
    if (depth_ == 0)
        throw DbError(3034, QStringLiteral("トランザクションが開始されていません。"));
    if (depth_ == 1) {
        const int rc = StatementWatch::exec(db_, "COMMIT", nullptr);
        if (rc != SQLITE_OK) {
            // A failed COMMIT leaves the transaction open; undo it so the
            // connection is usable and nothing half-written stays.
            const int ext = sqlite3_extended_errcode(db_);
            const QString msg = describe(db_, rc);
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            depth_ = 0;
            throw DbError(DbErr::SqliteBase + ext, msg);
        }
        depth_ = 0;
        return;
    }
    --depth_;
    runSimple(QStringLiteral("RELEASE tx%1").arg(depth_).toUtf8().constData());
}

void SqliteDatabase::syncWrittenPages()
{
    const int rc = StatementWatch::run("sync written pages", [this] {
        int rc = sqlite3_db_cacheflush(db_);
        // Busy: another connection reads, so the pages stay in memory for now.
        if (rc != SQLITE_OK)
            return rc == SQLITE_BUSY ? SQLITE_OK : rc;
        sqlite3_file *file = nullptr;
        if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file
            || !file->pMethods)
            return SQLITE_OK;
        return file->pMethods->xSync(file, SQLITE_SYNC_NORMAL);
    });
    if (rc != SQLITE_OK)
        throwError(rc, QStringLiteral("sync"));
}

void SqliteDatabase::rollback()
{
    if (depth_ == 0)
        return;
    if (sqlite3_get_autocommit(db_)) {   // SQLite already rolled it back
        depth_ = 0;
        return;
    }
    if (depth_ == 1) {
        depth_ = 0;
        runSimple("ROLLBACK");
        return;
    }
    --depth_;
    const QByteArray n = QByteArray::number(depth_);
    runSimple(("ROLLBACK TO tx" + n).constData());
    runSimple(("RELEASE tx" + n).constData());
}

void SqliteDatabase::attach(const QString &path, const QString &schema, bool create)
{
    if (!create && !QFileInfo::exists(path))
        throw DbError(DbErr::DatabaseFileMissing,
                      QStringLiteral("ファイル '%1' が見つかりません。").arg(path));
    QString uri = path;
    execute(QStringLiteral("ATTACH DATABASE ? AS \"%1\"").arg(schema), {uri});
    attached_.append(schema);
    runSimple(QStringLiteral("PRAGMA \"%1\".journal_mode=DELETE").arg(schema).toUtf8().constData());
    runSimple(QStringLiteral("PRAGMA \"%1\".synchronous=FULL").arg(schema).toUtf8().constData());
    runSimple(QStringLiteral("SELECT count(*) FROM \"%1\".sqlite_master").arg(schema).toUtf8().constData());
}

void SqliteDatabase::detach(const QString &schema)
{
    execute(QStringLiteral("DETACH DATABASE \"%1\"").arg(schema));
    attached_.removeAll(schema);
}

bool SqliteDatabase::isAttached(const QString &schema) const
{
    return attached_.contains(schema);
}

bool SqliteDatabase::tableExists(const QString &table, const QString &schema) const
{
    QStringList schemas;
    if (schema.isEmpty())
        schemas = QStringList{QStringLiteral("main")} + attached_;
    else
        schemas = QStringList{schema};
    for (const QString &s : schemas) {
        const QString sql = QStringLiteral("SELECT 1 FROM \"%1\".sqlite_master WHERE type IN ('table','view') "
                                           "AND name = ? COLLATE NOCASE").arg(s);
        if (!const_cast<SqliteDatabase *>(this)->scalar(sql, {table}).isNull())
            return true;
    }
    return false;
}

QStringList SqliteDatabase::tables(const QString &schema) const
{
    QStringList out;
    Recordset rs = const_cast<SqliteDatabase *>(this)->query(
        QStringLiteral("SELECT name FROM \"%1\".sqlite_master WHERE type='table' "
                       "AND name NOT LIKE 'sqlite_%' ORDER BY rowid").arg(schema));
    for (; !rs.eof(); rs.moveNext())
        out << rs.text(0);
    return out;
}

QStringList SqliteDatabase::columns(const QString &table, const QString &schema) const
{
    QStringList out;
    Recordset rs = const_cast<SqliteDatabase *>(this)->query(
        QStringLiteral("SELECT name FROM pragma_table_info(?, ?)"), {table, schema});
    for (; !rs.eof(); rs.moveNext())
        out << rs.text(0);
    return out;
}
