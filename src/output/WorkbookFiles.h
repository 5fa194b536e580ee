#pragma once
// A workbook filled under a working name takes its final name together with
// the database change that records it: renamed just before the commit and
// removed again when the commit fails, so no workbook exists for a change
// that did not happen.

#include "store/Database.h"
#include "store/DbError.h"

#include <QFile>
#include <QString>

inline void publishWithCommit(Transaction &tx, const QString &work, const QString &target)
{
    if (!QFile::rename(work, target))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を保存できません。").arg(target));
    try {
        tx.commit();
    } catch (...) {
        QFile::remove(target);
        throw;
    }
}
