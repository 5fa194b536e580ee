#include "store/DbCommon.h"

#include "store/AppFolder.h"
#include "store/Cp932.h"
#include "store/Dialogs.h"
#include "store/JetFunctions.h"
#include "store/Schema.h"

#include <QLocale>
#include <QStandardPaths>

#include <cmath>
#include <memory>

namespace {
std::unique_ptr<Database> g_connection;
}

qint32 FieldReadPosition = 1;

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
    return QStringLiteral("データアクセス中にエラーが発生しました。") + QLatin1Char('\n')
        + QString::number(number) + QStringLiteral(" この番号を管理者に伝えてください。");
}

void RelinkCommonTables(Database &db)
{
    const QString schema = Schema::commonSchema();
    if (db.isAttached(schema))
        db.detach(schema);
    db.attach(AppFolder::file(QStringLiteral("common.db")), schema);
}

int OpenDatabase(bool open, Dialogs &dialogs)
{
    try {
        if (open) {
            // Release the old connection first so that a reopen never holds
            // the file twice.
            g_connection.reset();
            auto db = Database::open(AppFolder::file(QStringLiteral("data.db")));
            RelinkCommonTables(*db);
            if (db->scalar(QStringLiteral("PRAGMA main.user_version")).toInt() < Schema::Version)
                Schema::ensure(*db);
            g_connection = std::move(db);
        } else {
            g_connection.reset();
        }
        return 0;
    } catch (const DbError &e) {
        dialogs.message(dataAccessErrorText(e.number()), applicationTitle(), MsgIcon::None, MsgButtons::Ok,
                        MsgResult::Ok);
        return e.number();
    }
}

qint32 GetNextIndex(Database &db, const QString &key)
{
    Transaction tx(db);
    const QString where = QStringLiteral("Where IKey=") + SqlText(key, false, true);
    Recordset rs = db.query(QStringLiteral("Select IKey,IVal,IStart,IEnd From MST_IDX ") + where);
    if (rs.eof())
        throw DbError(3021, QStringLiteral("番号 '%1' が MST_IDX にありません。").arg(key));
    const qint64 current = rs.field(QStringLiteral("IVal")).toLongLong();
    const qint64 start = rs.field(QStringLiteral("IStart")).toLongLong();
    const qint64 end = rs.field(QStringLiteral("IEnd")).toLongLong();
    rs.close();
    const qint64 next = current >= end ? start : current + 1;
    db.execute(QStringLiteral("Update MST_IDX Set IVal=") + SqlNumber(next) + where);
    tx.commit();
    return qint32(current);
}

QString GetJoukenValue(Database &db, const QString &key)
{
    Recordset rs = db.query(QStringLiteral("Select VALUEC From MST_JYOUKEN Where KEYC=?"), {key});
    if (rs.eof())
        return QString();
    return NzValue(rs.field(0), QString()).toString();
}

void SetJoukenValue(Database &db, const QString &key, const QString &value)
{
    const bool exists = !db.scalar(QStringLiteral("Select KEYC From MST_JYOUKEN Where KEYC=?"), {key}).isNull();
    // An empty value is stored as empty text, never as Null.
    if (!exists)
        db.execute(QStringLiteral("Insert Into MST_JYOUKEN(KEYC,VALUEC) Values(") + SqlText(key, true, true)
                   + SqlText(value, false, true) + QLatin1Char(')'));
    else
        db.execute(QStringLiteral("Update MST_JYOUKEN Set VALUEC=") + SqlText(value, false, true)
                   + QStringLiteral("Where KEYC=") + SqlText(key, false, true));
}

namespace {

bool isNullValue(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

QString separator(bool comma)
{
    return comma ? QStringLiteral(",") : QStringLiteral(" ");
}

} // namespace

QString SqlText(const QVariant &value, bool comma, bool alwaysQuote)
{
    const QString v = isNullValue(value) ? QString() : value.toString();
    QString out;
    if (!alwaysQuote && v.isEmpty())
        out = QStringLiteral("Null");
    else if (!alwaysQuote && v == QLatin1String("''"))
        out = v;
    else
        out = QLatin1Char('\'') + QString(v).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    return out + separator(comma);
}

QString SqlNumber(const QVariant &value, bool comma)
{
    QString out;
    if (isNullValue(value)) {
        out = QStringLiteral("Null");
    } else if (value.typeId() == QMetaType::Bool) {
        out = value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
    } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        out = std::isfinite(d) ? QString::number(d, 'g', QLocale::FloatingPointShortest)
                               : QStringLiteral("Null");
    } else {
        const QString t = value.toString();
        if (t == QLatin1String("True"))
            out = QStringLiteral("-1");
        else if (t == QLatin1String("False"))
            out = QStringLiteral("0");
        else if (jet::parseNumber(t))
            // Only digits, sign, point and exponent get here, so the text can
            // stand in the statement as it is.
            out = t.trimmed();
        else
            out = QStringLiteral("Null");
    }
    return out + separator(comma);
}

QVariant NzValue(const QVariant &value, const QVariant &def)
{
    const bool empty = isNullValue(value)
        || ((value.typeId() == QMetaType::QString) && value.toString().isEmpty());
    if (!empty)
        return value;
    if (isNullValue(def))
        return QString();
    return def;
}

QString CutField(const QString &line, qint32 pos, qint32 len)
{
    const QByteArray bytes = cp932::encode(line);
    QString field = cp932::decodeSlice(bytes, qsizetype(pos) - 1, len);
    qsizetype n = field.size();
    while (n > 0 && field.at(n - 1) == QLatin1Char(' '))
        --n;
    field.truncate(n);
    FieldReadPosition += len;
    return field;
}

double RoundAmount(double value, int digits, int mode, Dialogs *dialogs)
{
    const double scale = std::pow(10.0, digits);
    const double addend = mode == 1 ? 0.9 : mode == 2 ? 0.0 : 0.5;
    double x = value * scale;
    // The scaled value is nudged by a tiny relative amount so that 123.05 x 10
    // (1230.4999...) rounds as the decimal 1230.5 it stands for.
    const double nudge = std::fabs(x) * 1e-12;
    x = value > 0 ? x + addend + nudge : x - addend - nudge;
    double result = std::trunc(x) / scale;
    if (result == 0)
        result = 0;   // no negative zero
    if (!std::isfinite(result)) {
        if (dialogs)
            dialogs->message(QStringLiteral("金額計算中にエラーを検出"), applicationTitle(), MsgIcon::Critical,
                             MsgButtons::Ok, MsgResult::Ok);
        return 0;
    }
    return result;
}

QString GetSpecialFolder(int csidl)
{
    QStandardPaths::StandardLocation loc;
    switch (csidl) {
    case 0: // desktop (virtual)
    case 16: // desktop directory
        loc = QStandardPaths::DesktopLocation;
        break;
    case 5: // my documents
        loc = QStandardPaths::DocumentsLocation;
        break;
    default:
        return QString();
    }
    return QStandardPaths::writableLocation(loc);
}

QString BrowseFolder(const QString &caption, Dialogs &dialogs, const QString &startFolder)
{
    return dialogs.chooseFolder(caption, startFolder);
}
