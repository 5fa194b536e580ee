#pragma once
// Steps the slip and assortment-list runs share.

#include "slips/FormRenderer.h"
#include "slips/Printout.h"
#include "store/AppFolder.h"
#include "store/Dialogs.h"

#include <QString>

namespace PrintSteps {

// The set-up every form job starts with: a fresh renderer, the job on
// `printer` named `title`, and the form `formFile` (relative to the data
// folder) attached.
inline void beginFormJob(FormRenderer &r, const QString &printer, const QString &title, const QString &formFile)
{
    r.reset();
    r.beginJob(printer, title);
    r.openForm(AppFolder::file(formFile));
    r.attachForm();
}

// After each page: when the operator clicked cancel, asks whether to stop.
// True when the run is to end here; the run is then not complete.
inline bool stopConfirmed(PrintContext &ctx)
{
    if (!ctx.progress.stopRequested())
        return false;
    if (ctx.dialogs.message(QStringLiteral("印刷を中止しますか？"), QStringLiteral("確認"), MsgIcon::Question,
                            MsgButtons::OkCancel, MsgResult::Ok)
        == MsgResult::Ok) {
        ctx.stopped = true;
        return true;
    }
    ctx.progress.clearStopRequest();
    return false;
}

// Figures are stored as digit texts of at most ten digits, so a product of
// two stays far inside 64 bits; these checks keep a damaged row from
// printing a wrapped number all the same.
inline qint64 product(qint64 a, qint64 b, const QString &what)
{
    qint64 out = 0;
    if (__builtin_mul_overflow(a, b, &out))
        throw DbError(PrintErr::TooLarge, QStringLiteral("%1の計算で桁あふれが起きました。").arg(what));
    return out;
}

inline void add(qint64 &sum, qint64 value, const QString &what)
{
    if (__builtin_add_overflow(sum, value, &sum))
        throw DbError(PrintErr::TooLarge, QStringLiteral("%1の計算で桁あふれが起きました。").arg(what));
}

} // namespace PrintSteps
