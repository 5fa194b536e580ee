#include "store/Connection.h"

#include "store/AppFolder.h"
#include "store/Schema.h"

#include <memory>

namespace {
std::unique_ptr<Database> g_connection;
}

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

int OpenDatabase(bool open)
{
    try {
        // Release the old connection first so that a reopen never holds the
        // file twice.
        g_connection.reset();
        if (open) {
            auto db = Database::open(AppFolder::file(QStringLiteral("data.db")));
            RelinkCommonTables(*db);
            if (db->scalar(QStringLiteral("PRAGMA main.user_version")).toInt() < Schema::Version)
                Schema::ensure(*db);
            g_connection = std::move(db);
        }
        return 0;
    } catch (const DbError &e) {
        return e.number();
    }
}
