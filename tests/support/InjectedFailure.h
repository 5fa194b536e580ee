#pragma once
// A statement made to fail on purpose, on either engine: a trigger that
// refuses the change before it is made, so a test can show what a failure
// half-way through an operation leaves behind.

#include "store/Database.h"
#include "support/TempDataFolder.h"

#include <QString>

// Makes every `event` ("UPDATE OF COL", "INSERT", "DELETE") on `table`
// fail with `message`, for the rows where `when` holds (a condition on
// NEW.column; empty for every row). `name` is a plain identifier.
inline void injectFailure(Database &db, const QString &name, const QString &table, const QString &event,
                          const QString &message, const QString &when = QString())
{
    if (testsOnServer()) {
        db.execute(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                                  "$body$BEGIN RAISE EXCEPTION '%2'; END$body$")
                       .arg(name, message));
        db.execute(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW %4 EXECUTE FUNCTION %1()")
                       .arg(name, event, table, when.isEmpty() ? QString() : QStringLiteral("WHEN (%1)").arg(when)));
    } else {
        db.execute(QStringLiteral("CREATE TEMP TRIGGER %1 BEFORE %2 ON %3 %4 BEGIN SELECT RAISE(ABORT, '%5'); END")
                       .arg(name, event, table, when.isEmpty() ? QString() : QStringLiteral("WHEN %1").arg(when),
                            message));
    }
}
