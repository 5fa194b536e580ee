#include "store/JetFunctions.h"

#include "store/SqliteDatabase.h"

#include <sqlite3.h>

#include <cmath>
#include <limits>

namespace jet {

std::optional<double> parseNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // Only plain decimal notation: digits, one point, a sign, an exponent.
    for (QChar c : t) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || u == '.' || u == '+' || u == '-' || u == 'e' || u == 'E'))
            return std::nullopt;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

double roundHalfEven(double v)
{
    return std::nearbyint(v);   // the default rounding mode is to nearest, ties to even
}

} // namespace jet

namespace {

SqliteDatabase *owner(sqlite3_context *ctx)
{
    return static_cast<SqliteDatabase *>(sqlite3_user_data(ctx));
}

void fail(sqlite3_context *ctx, int number, const char *message)
{
    owner(ctx)->setFunctionError(number);
    sqlite3_result_error(ctx, message, -1);
}

// The argument as a number, or nothing after reporting the error.
std::optional<double> numberArg(sqlite3_context *ctx, sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return double(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    case SQLITE_NULL:
        fail(ctx, 94, "Null の使い方が不正です。");
        return std::nullopt;
    default: {
        const QString t = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)),
                                            sqlite3_value_bytes(v));
        if (auto n = jet::parseNumber(t))
            return n;
        fail(ctx, 13, "型が一致しません。");
        return std::nullopt;
    }
    }
}

void fnClng(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        const sqlite3_int64 i = sqlite3_value_int64(argv[0]);
        if (i < std::numeric_limits<qint32>::min() || i > std::numeric_limits<qint32>::max())
            return fail(ctx, 6, "オーバーフローしました。");
        return sqlite3_result_int64(ctx, i);
    }
    const auto n = numberArg(ctx, argv[0]);
    if (!n)
        return;
    const double r = jet::roundHalfEven(*n);
    if (r < std::numeric_limits<qint32>::min() || r > std::numeric_limits<qint32>::max())
        return fail(ctx, 6, "オーバーフローしました。");
    sqlite3_result_int64(ctx, sqlite3_int64(r));
}

void fnFix(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER)
        return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    const auto n = numberArg(ctx, argv[0]);
    if (!n)
        return;
    const double t = std::trunc(*n);
    if (std::fabs(t) < 9.0e15)
        sqlite3_result_int64(ctx, sqlite3_int64(t));
    else
        sqlite3_result_double(ctx, t);
}

void fnCstr(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return fail(ctx, 94, "Null の使い方が不正です。");
    case SQLITE_FLOAT: {
        const QByteArray s = QByteArray::number(sqlite3_value_double(argv[0]), 'g', 15);
        return sqlite3_result_text(ctx, s.constData(), int(s.size()), SQLITE_TRANSIENT);
    }
    default:
        return sqlite3_result_text(ctx, reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                                   sqlite3_value_bytes(argv[0]), SQLITE_TRANSIENT);
    }
}

void fnMid(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QString s = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                                        sqlite3_value_bytes(argv[0]));
    const auto start = numberArg(ctx, argv[1]);
    if (!start)
        return;
    if (*start < 1)
        return fail(ctx, 5, "プロシージャの呼び出し、または引数が不正です。");
    qsizetype len = -1;
    if (argc > 2) {
        const auto l = numberArg(ctx, argv[2]);
        if (!l)
            return;
        if (*l < 0)
            return fail(ctx, 5, "プロシージャの呼び出し、または引数が不正です。");
        len = qsizetype(jet::roundHalfEven(*l));
    }
    const QByteArray out = s.mid(qsizetype(jet::roundHalfEven(*start)) - 1, len).toUtf8();
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

void fnJcat(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    QByteArray out;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            continue;
        if (sqlite3_value_type(argv[i]) == SQLITE_FLOAT)
            out += QByteArray::number(sqlite3_value_double(argv[i]), 'g', 15);
        else
            out.append(reinterpret_cast<const char *>(sqlite3_value_text(argv[i])), sqlite3_value_bytes(argv[i]));
    }
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

} // namespace

void registerJetFunctions(SqliteDatabase &db)
{
    struct Fn {
        const char *name;
        int args;
        void (*fn)(sqlite3_context *, int, sqlite3_value **);
    };
    static const Fn fns[] = {
        {"CLNG", 1, fnClng}, {"FIX", 1, fnFix},   {"CSTR", 1, fnCstr},
        {"MID", 2, fnMid},   {"MID", 3, fnMid},   {"JCAT", -1, fnJcat},
    };
    for (const Fn &f : fns) {
        const int rc = sqlite3_create_function_v2(db.handle(), f.name, f.args,
                                                  SQLITE_UTF8 | SQLITE_DETERMINISTIC, &db, f.fn,
                                                  nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            db.throwError(rc, QString::fromLatin1(f.name));
    }
}
