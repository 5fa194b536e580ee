#include "billing/ClosingCancel.h"

#include "store/Conditions.h"
#include "store/Dialogs.h"

int cancelClosing(Database &db, Dialogs &dialogs)
{
    if (GetJoukenValue(db, QStringLiteral("SHIME_BI_J")).isEmpty()) {
        dialogs.message(QStringLiteral("現在処理中ではありません。"), applicationTitle(), MsgIcon::Warning,
                        MsgButtons::Ok, MsgResult::Ok);
        return 1;
    }
    if (!dialogs.confirm(QStringLiteral("締日計算処理の解除を行っても宜しいですか？"), applicationTitle()))
        return 1;
    {
        Transaction tx(db);
        SetJoukenValue(db, QStringLiteral("SHIME_BI_J"), QString());
        SetJoukenValue(db, QStringLiteral("SHIME_BI_I"), QString());
        db.execute(QStringLiteral("Delete From TBL_SEM_B"));
        tx.commit();
    }
    dialogs.info(QStringLiteral("締日計算処理を解除しました。"), applicationTitle());
    return 0;
}
