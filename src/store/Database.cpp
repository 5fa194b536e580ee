#include "store/Database.h"

#include "store/JetFunctions.h"
#include "store/StatementWatch.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace {

QString describe(sqlite3 *db, int rc)
{
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

void bindValue(Database *db, sqlite3_stmt *stmt, int pos, const QVariant &v)
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

// ---------------------------------------------------------------- Recordset

Recordset::Recordset(Database *db, sqlite3_stmt *stmt) : db_(db), stmt_(stmt), eof_(false)
{
    step();
}

Recordset::Recordset(Recordset &&o) noexcept
    : db_(o.db_), stmt_(o.stmt_), eof_(o.eof_), names_(std::move(o.names_))
{
    o.stmt_ = nullptr;
    o.eof_ = true;
}

Recordset &Recordset::operator=(Recordset &&o) noexcept
{
    if (this != &o) {
        close();
        db_ = o.db_;
        stmt_ = o.stmt_;
        eof_ = o.eof_;
        names_ = std::move(o.names_);
        o.stmt_ = nullptr;
        o.eof_ = true;
    }
    return *this;
}

Recordset::~Recordset()
{
    close();
}

void Recordset::close()
{
    if (stmt_) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
    eof_ = true;
}

void Recordset::step()
{
    if (!stmt_) {
        eof_ = true;
        return;
    }
    db_->functionError_ = 0;
    const int rc = StatementWatch::step(stmt_);
    if (rc == SQLITE_ROW)
        return;
    eof_ = true;
    if (rc == SQLITE_DONE)
        return;
    sqlite3_stmt *s = stmt_;
    stmt_ = nullptr;
    Database *db = db_;
    sqlite3_finalize(s);
    db->throwError(rc);
}

void Recordset::moveNext()
{
    if (!eof_)
        step();
}

int Recordset::fieldCount() const
{
    return stmt_ ? sqlite3_column_count(stmt_) : 0;
}

QString Recordset::fieldName(int index) const
{
    return stmt_ ? QString::fromUtf8(sqlite3_column_name(stmt_, index)) : QString();
}

int Recordset::indexOf(const QString &name) const
{
    if (!stmt_)
        return -1;
    if (names_.isEmpty()) {
        const int n = sqlite3_column_count(stmt_);
        for (int i = n - 1; i >= 0; --i)        // the first column of a name wins
            names_.insert(fieldName(i).toUpper(), i);
    }
    return names_.value(name.toUpper(), -1);
}

QVariant Recordset::field(int index) const
{
    if (!stmt_ || eof_)
        throw DbError(3021, QStringLiteral("カレント レコードがありません。"));
    if (index < 0 || index >= sqlite3_column_count(stmt_))
        throw DbError(3265, QStringLiteral("要求された名前または序数に対応する項目がコレクションで見つかりません。"));
    return columnValue(stmt_, index);
}

QByteArrayView Recordset::utf8(int index) const
{
    if (!stmt_ || eof_)
        throw DbError(3021, QStringLiteral("カレント レコードがありません。"));
    if (index < 0 || index >= sqlite3_column_count(stmt_))
        throw DbError(3265, QStringLiteral("要求された名前または序数に対応する項目がコレクションで見つかりません。"));
    if (sqlite3_column_type(stmt_, index) == SQLITE_NULL)
        return {};
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, index));
    if (!text)
        throw DbError(7, QStringLiteral("メモリが不足しています。"));
    return QByteArrayView(text, sqlite3_column_bytes(stmt_, index));
}

QVariant Recordset::field(const QString &name) const
{
    const int i = indexOf(name);
    if (i < 0)
        throw DbError(3265, QStringLiteral("項目 '%1' が見つかりません。").arg(name));
    return field(i);
}

QString Recordset::text(const QString &name) const
{
    return field(name).toString();
}

QString Recordset::text(int index) const
{
    return field(index).toString();
}

// ---------------------------------------------------------------- Statement

Statement::Statement(Statement &&o) noexcept : db_(o.db_), stmt_(o.stmt_)
{
    o.stmt_ = nullptr;
}

Statement &Statement::operator=(Statement &&o) noexcept
{
    if (this != &o) {
        if (stmt_)
            sqlite3_finalize(stmt_);
        db_ = o.db_;
        stmt_ = o.stmt_;
        o.stmt_ = nullptr;
    }
    return *this;
}

Statement::~Statement()
{
    if (stmt_)
        sqlite3_finalize(stmt_);
}

void Statement::bind(int position, const QVariant &value)
{
    bindValue(db_, stmt_, position, value);
}

void Statement::bindText(int position, const QString &value)
{
    const QByteArray u = value.toUtf8();
    bindUtf8(position, u.constData(), int(u.size()));
}

void Statement::bindUtf8(int position, const char *data, int size)
{
    const int rc = sqlite3_bind_text(stmt_, position, data ? data : "", size, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        db_->throwError(rc);
}

void Statement::bindInt(int position, qint64 value)
{
    const int rc = sqlite3_bind_int64(stmt_, position, value);
    if (rc != SQLITE_OK)
        db_->throwError(rc);
}

void Statement::bindNull(int position)
{
    const int rc = sqlite3_bind_null(stmt_, position);
    if (rc != SQLITE_OK)
        db_->throwError(rc);
}

int Statement::parameterCount() const
{
    return sqlite3_bind_parameter_count(stmt_);
}

void Statement::execute()
{
    db_->functionError_ = 0;
    int rc = StatementWatch::step(stmt_);
    while (rc == SQLITE_ROW)
        rc = StatementWatch::step(stmt_);
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE)
        db_->throwError(rc);
}

// ---------------------------------------------------------------- Database

std::unique_ptr<Database> Database::open(const QString &path, bool create)
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
    std::unique_ptr<Database> db(new Database(raw, path));
    // Another program (or a second instance) may hold the file briefly.
    sqlite3_busy_timeout(raw, 3000);
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

Database::~Database()
{
    if (db_) {
        if (depth_ > 0)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db_);
    }
}

void Database::throwError(int rc, const QString &context)
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

void Database::runSimple(const char *sql)
{
    char *err = nullptr;
    const int rc = StatementWatch::exec(db_, sql, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK)
        throwError(rc, QString::fromUtf8(sql));
}

sqlite3_stmt *Database::prepareRaw(const QString &sql, bool single)
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

void Database::execute(const QString &sql)
{
    execute(sql, {});
}

void Database::execute(const QString &sql, std::initializer_list<QVariant> params)
{
    Statement st(this, prepareRaw(sql, true));
    int i = 1;
    for (const QVariant &v : params)
        st.bind(i++, v);
    st.execute();
}

void Database::executeScript(const QString &sql)
{
    char *err = nullptr;
    functionError_ = 0;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK)
        throwError(rc);
}

qint64 Database::changes() const
{
    return sqlite3_changes64(db_);
}

Recordset Database::query(const QString &sql)
{
    return query(sql, {});
}

Recordset Database::query(const QString &sql, std::initializer_list<QVariant> params)
{
    sqlite3_stmt *stmt = prepareRaw(sql, true);
    int i = 1;
    try {
        for (const QVariant &v : params)
            bindValue(this, stmt, i++, v);
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    return Recordset(this, stmt);
}

Recordset Database::queryReadOnly(const QString &sql)
{
    sqlite3_stmt *stmt = prepareRaw(sql, true);
    // A statement that changes nothing but returns nothing either (BEGIN,
    // COMMIT) is no query: it would change the connection's state.
    if (!sqlite3_stmt_readonly(stmt) || sqlite3_column_count(stmt) == 0) {
        sqlite3_finalize(stmt);
        throw DbError(DbErr::SqliteBase + SQLITE_READONLY,
                      QStringLiteral("データを変更する SQL 文は実行できません。"));
    }
    return Recordset(this, stmt);
}

QVariant Database::scalar(const QString &sql, std::initializer_list<QVariant> params)
{
    Recordset rs = query(sql, params);
    if (rs.eof() || rs.fieldCount() == 0)
        return QVariant();
    return rs.field(0);
}

Statement Database::prepare(const QString &sql)
{
    return Statement(this, prepareRaw(sql, true));
}

void Database::begin()
{
    if (depth_ == 0)
        runSimple("BEGIN IMMEDIATE");   // take the write lock now, as a row lock would
    else
        runSimple(QStringLiteral("SAVEPOINT tx%1").arg(depth_).toUtf8().constData());
    ++depth_;
}

void Database::commit()
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

void Database::syncWrittenPages()
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

void Database::rollback()
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

void Database::attach(const QString &path, const QString &schema, bool create)
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

void Database::detach(const QString &schema)
{
    execute(QStringLiteral("DETACH DATABASE \"%1\"").arg(schema));
    attached_.removeAll(schema);
}

bool Database::isAttached(const QString &schema) const
{
    return attached_.contains(schema);
}

bool Database::tableExists(const QString &table, const QString &schema) const
{
    QStringList schemas;
    if (schema.isEmpty())
        schemas = QStringList{QStringLiteral("main")} + attached_;
    else
        schemas = QStringList{schema};
    for (const QString &s : schemas) {
        const QString sql = QStringLiteral("SELECT 1 FROM \"%1\".sqlite_master WHERE type IN ('table','view') "
                                           "AND name = ? COLLATE NOCASE").arg(s);
        if (!const_cast<Database *>(this)->scalar(sql, {table}).isNull())
            return true;
    }
    return false;
}

QStringList Database::tables(const QString &schema) const
{
    QStringList out;
    Recordset rs = const_cast<Database *>(this)->query(
        QStringLiteral("SELECT name FROM \"%1\".sqlite_master WHERE type='table' "
                       "AND name NOT LIKE 'sqlite_%' ORDER BY rowid").arg(schema));
    for (; !rs.eof(); rs.moveNext())
        out << rs.text(0);
    return out;
}

QStringList Database::columns(const QString &table, const QString &schema) const
{
    QStringList out;
    Recordset rs = const_cast<Database *>(this)->query(
        QStringLiteral("SELECT name FROM pragma_table_info(?, ?)"), {table, schema});
    for (; !rs.eof(); rs.moveNext())
        out << rs.text(0);
    return out;
}
