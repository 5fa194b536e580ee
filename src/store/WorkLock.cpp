#include "store/WorkLock.h"

namespace WorkLock {

QString refusalText(Work work, qint64 key, const QString &holder)
{
    switch (work) {
    case Work::Billing:
        return QStringLiteral("請求処理は他の端末（%1）で実行中です。").arg(holder);
    case Work::Maintenance:
        return QStringLiteral("保守処理は他の端末（%1）で実行中です。").arg(holder);
    case Work::SlipPrinting:
        return QStringLiteral("バッチ %1 の伝票・品揃表は他の端末（%2）で印刷中です。").arg(key).arg(holder);
    case Work::TagRun:
        return QStringLiteral("バッチ %1 の値札は他の端末（%2）で出力中です。").arg(key).arg(holder);
    case Work::Requests:
        return QStringLiteral("バッチ %1 の印字受託は他の端末（%2）で作成中です。").arg(key).arg(holder);
    }
    return QString();
}

} // namespace WorkLock

HeldWork::HeldWork(Database &db, WorkLock::Work work, qint64 key) : db_(db), work_(work), key_(key)
{
    if (const std::optional<QString> holder = db_.takeWork(int(work), key))
        refusal_ = WorkLock::refusalText(work, key, *holder);
}

HeldWork::~HeldWork()
{
    if (refusal_.isEmpty()) {
        try {
            db_.releaseWork(int(work_), key_);
        } catch (...) {
        }
    }
}

void HeldWork::require() const
{
    if (!refusal_.isEmpty())
        throw DbError(WorkLock::Held, refusal_);
}
