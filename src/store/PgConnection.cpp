#include "store/PgConnection.h"

#include "store/Schema.h"
#include "store/SqlDialect.h"

#include <QFile>

#include <algorithm>

#include <libpq-fe.h>

namespace {

// Type ids of the server's built-in types (pg_type.oid), fixed since long.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26;
constexpr Oid kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;
// Beyond this many statements a session parses each one anew.
constexpr qsizetype kMostPrepared = 500;
constexpr Oid kText = 25, kBpchar = 1042, kVarchar = 1043;

void quietNotices(void *, const char *) {}

QString errorText(const pg_conn *conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

QString serverOf(const pg_conn *conn)
{
    const QString host = QString::fromUtf8(PQhost(conn));
    const QString port = QString::fromUtf8(PQport(conn));
    return port.isEmpty() ? host : QStringLiteral("%1:%2").arg(host, port);
}

QVariant valueOf(const pg_result *r, int row, int col)
{
    if (PQgetisnull(r, row, col))
        return QVariant();
    const char *v = PQgetvalue(r, row, col);
    const int len = PQgetlength(r, row, col);
    switch (PQftype(r, col)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return QVariant(QByteArray::fromRawData(v, len).toLongLong());
    case kBool:
        return QVariant(qlonglong(v[0] == 't' ? 1 : 0));
    case kFloat4:
    case kFloat8:
        return QVariant(QByteArray::fromRawData(v, len).toDouble());
    case kNumeric: {
        // A whole number reads as the embedded engine's integer, so that a
        // sum or a CLNG compares and prints the same on both.
        const QByteArray t = QByteArray::fromRawData(v, len);
        bool whole = false;
        const qlonglong i = t.toLongLong(&whole);
        if (whole)
            return QVariant(i);
        return QVariant(t.toDouble());
    }
    case kBytea: {
        size_t n = 0;
        unsigned char *raw = PQunescapeBytea(reinterpret_cast<const unsigned char *>(v), &n);
        QByteArray bytes(reinterpret_cast<const char *>(raw), qsizetype(n));
        PQfreemem(raw);
        return QVariant(bytes);
    }
    default:
        return QVariant(QString::fromUtf8(v, len));
    }
}

// Every column name of the program's tables by its folded form.
QString declaredSpelling(const QString &name)
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> out;
        for (const TableDef &t : Schema::tables()) {
            for (const ColumnDef &c : t.columns)
                out.insert(sqldialect::folded(c.name), c.name);
        }
        return out;
    }();
    return names.value(name);
}

} // namespace

// ------------------------------------------------------------------ PgRows

PgRows::PgRows(pg_result *result, QHash<QString, QString> spellings)
    : result_(result), spellings_(std::move(spellings)), rows_(PQntuples(result))
{
}

PgRows::PgRows(PgRows &&o) noexcept
    : result_(o.result_), spellings_(std::move(o.spellings_)), rows_(o.rows_), row_(o.row_)
{
    o.result_ = nullptr;
    o.rows_ = 0;
}

PgRows &PgRows::operator=(PgRows &&o) noexcept
{
    if (this != &o) {
        PQclear(result_);
        result_ = o.result_;
        spellings_ = std::move(o.spellings_);
        rows_ = o.rows_;
        row_ = o.row_;
        o.result_ = nullptr;
        o.rows_ = 0;
    }
    return *this;
}

PgRows::~PgRows()
{
    PQclear(result_);
}

void PgRows::moveNext()
{
    if (row_ < rows_)
        ++row_;
}

int PgRows::fieldCount() const
{
    return result_ ? PQnfields(result_) : 0;
}

QString PgRows::fieldName(int index) const
{
    const QString name = QString::fromUtf8(PQfname(result_, index));
    if (const auto it = spellings_.constFind(name); it != spellings_.constEnd())
        return *it;
    // A column the statement does not name (SELECT *) is spelled as the
    // table declaration spells it.
    if (const QString declared = declaredSpelling(name); !declared.isEmpty())
        return declared;
    return name;
}

int PgRows::indexOf(const QString &name) const
{
    for (int i = 0; i < fieldCount(); ++i) {
        if (fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant PgRows::field(int index) const
{
    if (eof() || index < 0 || index >= fieldCount())
        throw DbError(3265, QStringLiteral("要求された名前、または序数に対応する項目がコレクションで見つかりません。"));
    return valueOf(result_, row_, index);
}

QVariant PgRows::field(const QString &name) const
{
    const int i = indexOf(name);
    if (i < 0)
        throw DbError(3265, QStringLiteral("項目 '%1' が見つかりません。").arg(name));
    return field(i);
}

QString PgRows::text(int index) const
{
    return field(index).toString();
}

QString PgRows::text(const QString &name) const
{
    return field(name).toString();
}

QByteArrayView PgRows::utf8(int index) const
{
    if (eof() || index < 0 || index >= fieldCount())
        throw DbError(3265, QStringLiteral("要求された名前、または序数に対応する項目がコレクションで見つかりません。"));
    if (PQgetisnull(result_, row_, index))
        return {};
    return QByteArrayView(PQgetvalue(result_, row_, index), PQgetlength(result_, row_, index));
}

std::optional<bool> PgRows::declaredText(int index) const
{
    if (PQftable(result_, index) == InvalidOid)
        return std::nullopt;
    const Oid type = PQftype(result_, index);
    return type == kText || type == kVarchar || type == kBpchar;
}

qint64 PgRows::largestValue() const
{
    qint64 largest = 0;
    if (eof())
        return 0;
    for (int i = 0; i < fieldCount(); ++i)
        largest = std::max<qint64>(largest, PQgetlength(result_, row_, i));
    return largest;
}

// ------------------------------------------------------------ PgConnection

QString PgConnection::passwordRefusal(const QString &connection)
{
    char *err = nullptr;
    PQconninfoOption *options = PQconninfoParse(connection.toUtf8().constData(), &err);
    if (!options) {
        const QString why = err ? QString::fromUtf8(err).trimmed() : QString();
        PQfreemem(err);
        return QStringLiteral("接続文字列が正しくありません。%1").arg(why);
    }
    bool password = false;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val)
            password = true;
    }
    PQconninfoFree(options);
    if (password)
        return QStringLiteral("接続文字列にパスワードを書くことはできません。パスワードは libpq のパスワードファイル"
                              "（~/.pgpass または PGPASSFILE）かサービスファイル（PGSERVICEFILE）に書いてください。");
    return QString();
}

std::unique_ptr<PgConnection> PgConnection::open(const QString &connection, const QString &applicationName,
                                                 const QString &schema)
{
    const QString refusal = passwordRefusal(connection);
    if (!refusal.isEmpty())
        throw DbError(DbErr::ServerPasswordInSettings, refusal);
    const QByteArray conninfo = connection.toUtf8();
    const QByteArray app = applicationName.toUtf8();
    // Later pairs override what the connection string says: the session's
    // name must show the desk, and texts travel as UTF-8.
    const char *keys[] = {"dbname", "application_name", "client_encoding", nullptr};
    const char *values[] = {conninfo.constData(), app.constData(), "UTF8", nullptr};
    pg_conn *conn = PQconnectdbParams(keys, values, 1);
    if (!conn)
        throw DbError(DbErr::ServerUnreachable, QStringLiteral("データベースサーバーに接続できません（メモリ不足）。"));
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString why = errorText(conn);
        const QString server = serverOf(conn);
        const bool login = PQconnectionNeedsPassword(conn) || why.contains(QLatin1String("authentication"))
                           || why.contains(QLatin1String("pg_hba.conf"))
                           || why.contains(QLatin1String("role \""));
        PQfinish(conn);
        if (login)
            throw DbError(DbErr::ServerLoginRefused,
                          QStringLiteral("データベースサーバー（%1）がログインを拒否しました。\n%2").arg(server, why));
        throw DbError(DbErr::ServerUnreachable,
                      QStringLiteral("データベースサーバー（%1）に接続できません。\n%2").arg(server, why));
    }
    PQsetNoticeProcessor(conn, quietNotices, nullptr);
    std::unique_ptr<PgConnection> db(new PgConnection(conn));
    db->connection_ = connection;
    db->schema_ = schema;
    char *ident = PQescapeIdentifier(conn, schema.toUtf8().constData(), size_t(schema.toUtf8().size()));
    const QString quoted = QString::fromUtf8(ident);
    PQfreemem(ident);
    db->execute(QStringLiteral("SET search_path TO %1, pg_catalog").arg(quoted));
    return db;
}

PgConnection::~PgConnection()
{
    // Closing the session ends an open transaction on the server without
    // committing it.
    PQfinish(conn_);
}

QString PgConnection::serverName() const
{
    return serverOf(conn_);
}

QString PgConnection::applicationName() const
{
    return QString::fromUtf8(PQparameterStatus(conn_, "application_name"));
}

int PgConnection::backendPid() const
{
    return PQbackendPID(conn_);
}

void PgConnection::fail(pg_result *result, const QString &sql)
{
    if (PQstatus(conn_) == CONNECTION_BAD) {
        const QString why = errorText(conn_);
        PQclear(result);
        depth_ = 0;
        throw DbError(DbErr::ServerConnectionLost,
                      QStringLiteral("データベースサーバー（%1）との接続が切れました。処理中のデータは保存されていません。\n%2")
                          .arg(serverName(), why));
    }
    const QString state = QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    QString message = QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    if (message.isEmpty())
        message = errorText(conn_);
    PQclear(result);
    // The old engine's functions raise class TB with their own number.
    if (state.startsWith(QLatin1String("TB"))) {
        bool ok = false;
        const int number = state.mid(2).toInt(&ok);
        if (ok)
            throw DbError(number, message);
    }
    Q_UNUSED(sql);
    throw DbError(DbErr::ServerBase, QStringLiteral("%1 (SQLSTATE %2)").arg(message, state));
}

pg_result *PgConnection::run(const QString &sql, const std::vector<QVariant> &params)
{
    const QByteArray text = sqldialect::toServer(sql).toUtf8();
    std::vector<QByteArray> storage;
    std::vector<const char *> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    storage.reserve(params.size());
    for (const QVariant &v : params) {
        int format = 0;
        if (!v.isValid() || v.isNull()) {
            storage.emplace_back();
            values.push_back(nullptr);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool:
                storage.emplace_back(v.toBool() ? "-1" : "0");
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                storage.emplace_back(QByteArray::number(v.toDouble(), 'g', 17));
                break;
            case QMetaType::QByteArray:
                storage.emplace_back(v.toByteArray());
                format = 1;
                break;
            default:
                storage.emplace_back(v.toString().toUtf8());
                break;
            }
            values.push_back(storage.back().constData());
        }
        lengths.push_back(int(storage.back().size()));
        formats.push_back(format);
    }
    pg_result *r = nullptr;
    auto known = prepared_.constFind(text);
    if (known == prepared_.constEnd() && !params.empty() && prepared_.size() < kMostPrepared) {
        const QByteArray name = "tobari_st" + QByteArray::number(prepared_.size() + 1);
        pg_result *p = PQprepare(conn_, name.constData(), text.constData(), int(params.size()), nullptr);
        if (!p || PQresultStatus(p) != PGRES_COMMAND_OK)
            fail(p, sql);
        PQclear(p);
        known = prepared_.insert(text, name);
    }
    if (known != prepared_.constEnd())
        r = PQexecPrepared(conn_, known->constData(), int(params.size()), values.data(), lengths.data(),
                           formats.data(), 0);
    else
        r = PQexecParams(conn_, text.constData(), int(params.size()), nullptr, values.data(), lengths.data(),
                         formats.data(), 0);
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(r, sql);
    changes_ = QByteArray(PQcmdTuples(r)).toLongLong();
    return r;
}

void PgConnection::execute(const QString &sql, std::initializer_list<QVariant> params)
{
    execute(sql, std::vector<QVariant>(params));
}

void PgConnection::execute(const QString &sql, const std::vector<QVariant> &params)
{
    PQclear(run(sql, params));
}

void PgConnection::executeScript(const QString &sql)
{
    pg_result *r = PQexec(conn_, sql.toUtf8().constData());
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(r, sql);
    PQclear(r);
}

PgRows PgConnection::query(const QString &sql, std::initializer_list<QVariant> params)
{
    return query(sql, std::vector<QVariant>(params));
}

PgRows PgConnection::query(const QString &sql, const std::vector<QVariant> &params)
{
    return PgRows(run(sql, params), sqldialect::spellings(sql));
}

QVariant PgConnection::scalar(const QString &sql, std::initializer_list<QVariant> params)
{
    PgRows rows = query(sql, params);
    if (rows.eof() || rows.fieldCount() == 0)
        return QVariant();
    return rows.field(0);
}

void PgConnection::copyBegin(const QString &table, const QStringList &columns)
{
    const QString sql = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(QLatin1Char(',')));
    pg_result *r = PQexec(conn_, sql.toUtf8().constData());
    if (!r || PQresultStatus(r) != PGRES_COPY_IN)
        fail(r, sql);
    PQclear(r);
    copyBuffer_.clear();
}

void PgConnection::copyRow(const std::vector<QVariant> &values)
{
    // The text form of COPY: tab between fields, \N for Null, and the
    // backslash, tab and line ends inside a value escaped.
    bool first = true;
    for (const QVariant &v : values) {
        if (!first)
            copyBuffer_ += '\t';
        first = false;
        if (!v.isValid() || v.isNull()) {
            copyBuffer_ += "\\N";
            continue;
        }
        const QByteArray text = v.typeId() == QMetaType::Bool ? QByteArray(v.toBool() ? "-1" : "0")
                                : v.typeId() == QMetaType::Double ? QByteArray::number(v.toDouble(), 'g', 17)
                                                                  : v.toString().toUtf8();
        for (const char c : text) {
            switch (c) {
            case '\\': copyBuffer_ += "\\\\"; break;
            case '\t': copyBuffer_ += "\\t"; break;
            case '\n': copyBuffer_ += "\\n"; break;
            case '\r': copyBuffer_ += "\\r"; break;
            default: copyBuffer_ += c; break;
            }
        }
    }
    copyBuffer_ += '\n';
    if (copyBuffer_.size() >= 256 * 1024)
        copyFlush(false);
}

void PgConnection::copyFlush(bool final)
{
    if (!copyBuffer_.isEmpty() && PQputCopyData(conn_, copyBuffer_.constData(), int(copyBuffer_.size())) != 1)
        fail(PQgetResult(conn_), QStringLiteral("COPY"));
    copyBuffer_.clear();
    if (final && PQputCopyEnd(conn_, nullptr) != 1)
        fail(PQgetResult(conn_), QStringLiteral("COPY"));
}

void PgConnection::copyEnd()
{
    copyFlush(true);
    pg_result *r = PQgetResult(conn_);
    if (!r || PQresultStatus(r) != PGRES_COMMAND_OK)
        fail(r, QStringLiteral("COPY"));
    changes_ = QByteArray(PQcmdTuples(r)).toLongLong();
    PQclear(r);
    // The end of the results of the COPY.
    while ((r = PQgetResult(conn_)))
        PQclear(r);
}

void PgConnection::begin()
{
    execute(depth_ == 0 ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT tobari_sp%1").arg(depth_));
    ++depth_;
}

void PgConnection::commit()
{
    if (depth_ == 0)
        return;
    const int level = --depth_;
    if (level > 0) {
        execute(QStringLiteral("RELEASE SAVEPOINT tobari_sp%1").arg(level));
        return;
    }
    // The server answers the COMMIT of a transaction a failed statement
    // aborted with ROLLBACK: that is a failure, never a success.
    pg_result *r = run(QStringLiteral("COMMIT"), {});
    const bool undone = qstrcmp(PQcmdStatus(r), "ROLLBACK") == 0;
    PQclear(r);
    if (undone)
        throw DbError(DbErr::ServerBase,
                      QStringLiteral("前のエラーでトランザクションが取り消されたため、変更は保存されていません。"));
}

void PgConnection::rollback()
{
    if (depth_ == 0)
        return;
    const int level = --depth_;
    if (level == 0) {
        execute(QStringLiteral("ROLLBACK"));
    } else {
        execute(QStringLiteral("ROLLBACK TO SAVEPOINT tobari_sp%1").arg(level));
        execute(QStringLiteral("RELEASE SAVEPOINT tobari_sp%1").arg(level));
    }
}

void installServerFunctions(PgConnection &db)
{
    QFile f(QStringLiteral(":/db/pg_functions.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(DbErr::FileNotFound, QStringLiteral("サーバーの関数の定義が実行ファイルにありません。"));
    db.executeScript(QString::fromUtf8(f.readAll()));
}
