#include "store/Connection.h"

#include "store/AppFolder.h"
#include "store/PgDatabase.h"
#include "store/Schema.h"
#include "store/Settings.h"

#include <memory>

namespace {
std::unique_ptr<Database> g_connection;
QString g_lastOpenError;

// A schema name the server takes unquoted and unchanged.
bool sqldialectPlainName(const QString &name)
{
    if (name.isEmpty() || name.size() > 60 || name.front().isDigit())
        return false;
    for (const QChar c : name) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_'))
            return false;
    }
    return true;
}
} // namespace

Database *AppConnection()
{
    return g_connection.get();
}

Database &RequireConnection()
{
    if (!g_connection)
        throw DbError(91, QStringLiteral("データベースに接続されていません。"));
    return *g_connection;
}

QString dataAccessErrorText(int number)
{
    QString text = QStringLiteral("データアクセス中にエラーが発生しました。") + QLatin1Char('\n')
        + QString::number(number) + QStringLiteral(" この番号を管理者に伝えてください。");
    // A long import of another program holds the file past the wait: the
    // operator needs to know that, not only a number.
    // A server's failure to open names the server and its reason.
    if (number >= DbErr::ServerBase && number < DbErr::ServerBase + 100 && !g_lastOpenError.isEmpty())
        text += QLatin1Char('\n') + g_lastOpenError;
    if (number == DbErr::SqliteBase + 5)
        text += QLatin1Char('\n') + QStringLiteral("他のプログラムがデータを使用中です。しばらく待ってからもう一度実行してください。");
    return text;
}

void RelinkCommonTables(Database &db)
{
    const QString schema = Schema::commonSchema();
    if (db.isAttached(schema))
        db.detach(schema);
    db.attach(AppFolder::file(QStringLiteral("common.db")), schema);
}

ServerSettings serverSettings()
{
    ServerSettings out;
    const QString engine = Settings::readText(SettingKey::DbEngine).trimmed();
    if (engine.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0)
        return out;
    if (engine.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) != 0)
        throw DbError(DbErr::ServerBase,
                      QStringLiteral("Conf.DAT の [Database] Engine=%1 は使えません。SQLite か PostgreSQL を指定してください。")
                          .arg(engine));
    out.server = true;
    out.connection = Settings::readText(SettingKey::DbConnection).trimmed();
    out.schema = Settings::readText(SettingKey::DbSchema).trimmed();
    if (!sqldialectPlainName(out.schema))
        throw DbError(DbErr::ServerBase,
                      QStringLiteral("Conf.DAT の [Database] Schema=%1 は使えません。英小文字・数字・_ で書いてください。")
                          .arg(out.schema));
    return out;
}

std::unique_ptr<Database> openConfiguredDatabase()
{
    const ServerSettings server = serverSettings();
    if (server.server) {
        std::unique_ptr<Database> db = PgDatabase::open(server.connection, server.schema);
        RelinkCommonTables(*db);
        return db;
    }
    auto db = Database::open(AppFolder::file(QStringLiteral("data.db")));
    RelinkCommonTables(*db);
    if (db->scalar(QStringLiteral("PRAGMA main.user_version")).toInt() < Schema::Version)
        Schema::ensure(*db);
    return db;
}

int OpenDatabase(bool open)
{
    try {
        // Release the old connection first so that a reopen never holds the
        // file twice.
        g_connection.reset();
        g_lastOpenError.clear();
        if (open)
            g_connection = openConfiguredDatabase();
        return 0;
    } catch (const DbError &e) {
        g_lastOpenError = e.description();
        return e.number();
    }
}

QString lastOpenError()
{
    return g_lastOpenError;
}
