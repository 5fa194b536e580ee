// Work locks on the server: session advisory locks, so a desk that ends,
// crashes or loses the network lets go with its session. Advisory locks
// are the database's, not the schema's: the first key names the schema and
// the work, so two schemas of one database never meet.
#include "store/PgDatabase.h"

namespace {

// FNV-1a over the schema's name and the work, as a positive 31-bit key.
qint64 classOf(const QString &schema, int work)
{
    quint32 h = 2166136261u;
    const QByteArray bytes = schema.toUtf8() + '/' + QByteArray::number(work);
    for (const char c : bytes) {
        h ^= quint8(c);
        h *= 16777619u;
    }
    return qint64(h & 0x7fffffff);
}

qint64 objectOf(qint64 key)
{
    if (key < 0 || key > 0x7fffffff)
        throw DbError(DbErr::ServerBase, QStringLiteral("作業の鍵 %1 が範囲外です。").arg(key));
    return key;
}

// "tobari-edi HOST USER" names the desk by its host.
QString hostOf(const QString &applicationName)
{
    const QStringList parts = applicationName.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() >= 2 && parts.front() == QLatin1String("tobari-edi"))
        return parts.at(1);
    return applicationName.isEmpty() ? QStringLiteral("不明な端末") : applicationName;
}

} // namespace

std::optional<QString> PgDatabase::takeWork(int work, qint64 key)
{
    const qint64 cls = classOf(conn_->schema(), work);
    const qint64 obj = objectOf(key);
    if (conn_->scalar(QStringLiteral("SELECT pg_try_advisory_lock(CAST(? AS integer), CAST(? AS integer))"),
                      {cls, obj})
            .toLongLong()
        != 0)
        return std::nullopt;
    const QVariant holder = conn_->scalar(
        QStringLiteral("SELECT a.application_name FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid "
                       "WHERE l.locktype = 'advisory' AND l.granted AND l.objsubid = 2 "
                       "AND l.classid::bigint = ? AND l.objid::bigint = ? AND l.pid <> pg_backend_pid() "
                       "ORDER BY a.backend_start LIMIT 1"),
        {cls, obj});
    return hostOf(holder.toString());
}

void PgDatabase::releaseWork(int work, qint64 key)
{
    conn_->scalar(QStringLiteral("SELECT pg_advisory_unlock(CAST(? AS integer), CAST(? AS integer))"),
                  {classOf(conn_->schema(), work), objectOf(key)});
}

QList<Database::Desk> PgDatabase::desks()
{
    QHash<qint64, int> works;
    for (int work = 1; work <= 5; ++work)
        works.insert(classOf(conn_->schema(), work), work);
    QHash<int, QStringList> holds;
    {
        PgRows rows = conn_->query(QStringLiteral(
            "SELECT l.pid, l.classid::bigint, l.objid::bigint FROM pg_locks l "
            "WHERE l.locktype = 'advisory' AND l.granted AND l.objsubid = 2 "
            "AND l.database = (SELECT oid FROM pg_database WHERE datname = current_database()) "
            "ORDER BY l.pid, l.classid, l.objid"));
        for (; !rows.eof(); rows.moveNext()) {
            const auto work = works.constFind(rows.field(1).toLongLong());
            if (work != works.constEnd())
                holds[int(rows.field(0).toLongLong())] << QStringLiteral("%1:%2").arg(*work).arg(rows.field(2).toLongLong());
        }
    }
    QList<Desk> out;
    PgRows rows = conn_->query(QStringLiteral(
        "SELECT pid, application_name, to_char(backend_start, 'YYYY-MM-DD HH24:MI:SS'), "
        "CASE WHEN pid = pg_backend_pid() THEN 1 ELSE 0 END FROM pg_stat_activity "
        "WHERE datname = current_database() AND application_name LIKE 'tobari-edi%' ORDER BY backend_start, pid"));
    for (; !rows.eof(); rows.moveNext()) {
        Desk d;
        d.name = rows.text(1);
        d.since = rows.text(2);
        d.holds = holds.value(int(rows.field(0).toLongLong()));
        d.self = rows.field(3).toLongLong() == 1;
        out << d;
    }
    return out;
}
