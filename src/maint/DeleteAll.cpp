#include "maint/DeleteAll.h"

#include "maint/Backups.h"
#include "store/Database.h"
#include "store/Dialogs.h"
#include "store/Settings.h"

int deleteAllData(Database &db, Dialogs &dialogs)
{
    if (dialogs.message(QStringLiteral("全ての明細を削除で御座る。\n宜しいか？"), QStringLiteral("御座る"),
                        MsgIcon::Critical, MsgButtons::OkCancel, MsgResult::Cancel)
        != MsgResult::Ok)
        return 1;
    // A copy of both files first: the only way back from this command.
    if (const int backup = Backups::makeBefore(db, dialogs, Backups::opDeleteAll(),
                                               Backups::keepCount(Settings::readInt(SettingKey::BackupKeep))))
        return backup;
    static const char *const statements[] = {
        "Delete From TBL_RD_H1",  "Delete From TBL_RD_H2",  "Delete From TBL_RD_BD",  "Delete From TBL_FLG_DATA",
        "Delete From TBL_HUDA",   "Delete From IMP_PB",     "Delete From IMP_RD_BD",  "Delete From IMP_RD_H1",
        "Delete From IMP_RD_H2",  "Delete From MST_PB",     "Delete From TBL_SEM_B",  "Delete From TBL_SEZ_B",
        "Delete From TBL_SEZ_H",  "Delete From TBL_SEZ_BD", "Update MST_JYOUKEN Set VALUEC=''",
        "Update MST_IDX Set IVal=1",
    };
    // One transaction: a failure half-way must not leave slips without
    // their lines or numbers restarted over existing batches.
    Transaction tx(db);
    const qint64 slips = db.scalar(QStringLiteral("Select Count(*) From TBL_RD_H2")).toLongLong();
    const qint64 lines = db.scalar(QStringLiteral("Select Count(*) From TBL_RD_BD")).toLongLong();
    for (const char *sql : statements)
        db.execute(QString::fromLatin1(sql));
    tx.commit();
    dialogs.info(QStringLiteral("伝票 %1 枚、明細 %2 行を削除しました。").arg(slips).arg(lines), applicationTitle());
    return 0;
}
