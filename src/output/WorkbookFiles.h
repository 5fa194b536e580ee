#pragma once
// A workbook filled under a working name takes its final name together with
// the database change that records it: renamed just before the commit and
// removed again when the commit fails, so no workbook exists for a change
// that did not happen.

#include "store/Clock.h"
#include "store/Database.h"
#include "store/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// The name of a new workbook in `folder`: `prefix` + yyyyMMdd_hhmmss.xlsx,
// or with "_2", "_3" ... when a run in the same second already took that
// name (or is still filling it under the working name `name`.part). An
// earlier workbook is the only record of the lines it reported, so it is
// never replaced.
inline QString freeWorkbookName(const QString &folder, const QString &prefix)
{
    const QString base = QDir(folder).filePath(prefix + Clock::now().toString(QStringLiteral("yyyyMMdd_hhmmss")));
    QString target = base + QStringLiteral(".xlsx");
    for (int n = 2; QFileInfo::exists(target) || QFileInfo::exists(target + QStringLiteral(".part")); ++n)
        target = base + QStringLiteral("_%1.xlsx").arg(n);
    return QDir::toNativeSeparators(target);
}

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
