#include "billing/BillingBatch.h"

#include "billing/BillingFile.h"
#include "billing/BillingFileView.h"
#include "billing/BillingRun.h"
#include "billing/BillingSettings.h"
#include "billing/ClosingPeriod.h"
#include "output/clsCustomDOP.h"
#include "store/AppFolder.h"
#include "store/Connection.h"
#include "store/DbError.h"
#include "store/WorkLock.h"
#include "store/Dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTextStream>

#include <optional>

namespace {

int usage(BatchContext &ctx, const QString &text)
{
    ctx.err << text << Qt::endl;
    return BatchExit::Usage;
}

// A positive management number, or nothing.
std::optional<qint32> managementNumber(const QString &text)
{
    bool ok = false;
    const qint32 n = text.toInt(&ok);
    return ok && n > 0 ? std::optional<qint32>(n) : std::nullopt;
}

// Answers the save dialog with the path the command line gave; everything
// else goes to the batch dialogs.
class SaveAnswer : public Dialogs {
public:
    SaveAnswer(Dialogs &inner, const QString &path) : inner_(inner), path_(path) {}
    MsgResult message(const QString &t, const QString &ti, MsgIcon i, MsgButtons b, MsgResult d) override
    {
        return inner_.message(t, ti, i, b, d);
    }
    std::optional<QString> input(const QString &p, const QString &t, const QString &d) override
    {
        return inner_.input(p, t, d);
    }
    QString openFile(const QString &t, const QString &s, const QString &f) override { return inner_.openFile(t, s, f); }
    QString saveFile(const QString &, const QString &, const QString &) override { return path_; }
    QString chooseFolder(const QString &c, const QString &s) override { return inner_.chooseFolder(c, s); }

private:
    Dialogs &inner_;
    QString path_;
};

QString absolute(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

int runClosingCommand(BatchContext &ctx)
{
    const BatchOptions o = parseBatchOptions(ctx.args, {"--from", "--to"}, {});
    if (!o.error.isEmpty() || o.value("from").isEmpty() || o.value("to").isEmpty())
        return usage(ctx, o.error.isEmpty() ? QStringLiteral("使い方: closing --from YYYY/MM/DD --to YYYY/MM/DD") : o.error);
    const ClosingResult r = runClosing(RequireConnection(), ctx.dialogs, o.value("from"), o.value("to"));
    // The calculation's own completion message says what it gathered.
    return r.status != 0 ? BatchExit::NothingDone : BatchExit::Done;
}

int runTick(BatchContext &ctx)
{
    const BatchOptions o = parseBatchOptions(ctx.args, {"--run", "--slip"}, {"--on", "--off"});
    const auto slip = managementNumber(o.value("slip"));
    const bool hasRun = o.values.contains(QStringLiteral("run"));
    const auto run = managementNumber(o.value("run"));
    if (!o.error.isEmpty() || !slip || (hasRun && !run) || o.has("on") == o.has("off"))
        return usage(ctx, o.error.isEmpty() ? QStringLiteral("使い方: billing-tick [--run Z] --slip INDEXNOH2 --on|--off")
                                            : o.error);
    Database &db = RequireConnection();
    const bool on = o.has("on");
    const bool changed = hasRun ? setCarriedTick(db, *run, *slip, on) : setCurrentTick(db, *slip, on);
    if (!changed) {
        ctx.dialogs.message(hasRun ? QStringLiteral("請求管理No %1 に伝票 %2 はありません。").arg(*run).arg(*slip)
                                   : QStringLiteral("今回の請求対象に伝票 %1 はありません。").arg(*slip),
                            applicationTitle(), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
        return BatchExit::NothingDone;
    }
    ctx.out << QStringLiteral("伝票 %1: %2").arg(*slip).arg(on ? QStringLiteral("請求する") : QStringLiteral("請求しない"))
            << Qt::endl;
    return BatchExit::Done;
}

int runCheck(BatchContext &ctx)
{
    if (!ctx.args.isEmpty())
        return usage(ctx, QStringLiteral("使い方: billing-check"));
    Database &db = RequireConnection();
    // The summary goes out line by line as the screen shows it; the other
    // answers are the amount check's own messages.
    const BillingTotals totals = billingTotals(db);
    if (!storedClosingPeriod(db).isOpen() || totals.isEmpty()) {
        SeikyuKakunin(db, ctx.dialogs, readBillingSettings(), storedClosingPeriod(db).isOpen(), true);
        return BatchExit::NothingDone;
    }
    for (const QString &line : billingSummary(totals).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        ctx.out << line << Qt::endl;
    return BatchExit::Done;
}

int runBill(BatchContext &ctx)
{
    const BatchOptions o = parseBatchOptions(ctx.args, {"--out"}, {});
    if (!o.error.isEmpty() || o.value("out").isEmpty())
        return usage(ctx, o.error.isEmpty() ? QStringLiteral("使い方: bill --out FILE") : o.error);
    Database &db = RequireConnection();
    SaveAnswer dialogs(ctx.dialogs, absolute(o.value("out")));
    const SeikyuOutcome r = SeikyuKakunin(db, dialogs, readBillingSettings(), storedClosingPeriod(db).isOpen(), false);
    switch (r.status) {
    case SeikyuStatus::Billed:
        ctx.out << QStringLiteral("請求管理No: %1").arg(r.run) << Qt::endl;
        ctx.out << QStringLiteral("出力ファイル: %1").arg(QDir::toNativeSeparators(r.path)) << Qt::endl;
        return BatchExit::Done;
    case SeikyuStatus::NothingDone:
    case SeikyuStatus::FileCancelled:
        return BatchExit::NothingDone;
    default:
        // The description is already out as the screen's message.
        return r.status == BillingFileResult::NoData ? BatchExit::NothingDone : BatchExit::Failed;
    }
}

int runReoutput(BatchContext &ctx)
{
    const BatchOptions o = parseBatchOptions(ctx.args, {"--run", "--out"}, {});
    const auto run = managementNumber(o.value("run"));
    if (!o.error.isEmpty() || !run || o.value("out").isEmpty())
        return usage(ctx, o.error.isEmpty() ? QStringLiteral("使い方: billing-reoutput --run Z --out FILE") : o.error);
    SaveAnswer dialogs(ctx.dialogs, absolute(o.value("out")));
    const BillingFileOutcome r = WriteBillingFile(RequireConnection(), dialogs, readBillingSettings(), *run);
    if (r.result == BillingFileResult::Written) {
        ctx.dialogs.info(QStringLiteral("再出力処理が終了しました。"), applicationTitle());
        ctx.out << QStringLiteral("出力ファイル: %1").arg(QDir::toNativeSeparators(r.path)) << Qt::endl;
        return BatchExit::Done;
    }
    ctx.dialogs.message(QStringLiteral("再出力処理がキャンセル又は異常終了しました。"), applicationTitle(),
                        MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
    return r.result == BillingFileResult::NoData || r.result == BillingFileResult::Cancelled ? BatchExit::NothingDone
                                                                                             : BatchExit::Failed;
}

int runExport(BatchContext &ctx)
{
    const BatchOptions o = parseBatchOptions(ctx.args, {"--run", "--to"}, {});
    const auto run = managementNumber(o.value("run"));
    if (!o.error.isEmpty() || !run || o.value("to").isEmpty())
        return usage(ctx, o.error.isEmpty() ? QStringLiteral("使い方: billing-export --run Z --to DIR") : o.error);
    if (!QFileInfo(o.value("to")).isDir())
        return usage(ctx, QStringLiteral("書き出し先の指定が不正です。 (%1)").arg(o.value("to")));
    clsCustomDOP dop;
    const int read = dop.setFile(AppFolder::file(QStringLiteral("SQL/SEIKYU.SQL")));
    if (read == 1) {
        ctx.dialogs.message(QStringLiteral("請求カスタム書き出し用の設定ファイルがありません。"), QString(), MsgIcon::None,
                            MsgButtons::Ok, MsgResult::Ok);
        return BatchExit::NothingDone;
    }
    if (read != 0)
        return batchFailure(ctx, read, dop.lastErrorDescription());
    dop.setDistination(o.value("to"));
    QStringList values(clsCustomDOP::ParameterCount, QStringLiteral(" "));
    values[0] = QString::number(*run);
    const qint32 r = dop.eXport(RequireConnection(), ctx.dialogs, values);
    switch (r) {
    case clsCustomDOP::Written:
        ctx.out << QStringLiteral("出力ファイル: ") << QDir::toNativeSeparators(dop.outputPath()) << Qt::endl;
        return BatchExit::Done;
    case clsCustomDOP::NoRows:
        ctx.dialogs.info(QStringLiteral("出力する明細が存在しません。"));
        return BatchExit::NothingDone;
    case clsCustomDOP::NoFolder:
        return BatchExit::NothingDone;
    default:
        return batchFailure(ctx, r, QStringLiteral("出力する際にエラーが発生しました。 ") + dop.lastErrorDescription());
    }
}

int runHistory(BatchContext &ctx)
{
    if (!ctx.args.isEmpty())
        return usage(ctx, QStringLiteral("使い方: billing-runs"));
    Recordset rs = RequireConnection().query(
        QStringLiteral("Select INDEXNOZH,DATA_SAKUSEI_BI,TAISYOU_J,TAISYOU_I,DEN_MAISUU,KINGAKU_KEI From TBL_SEZ_H "
                       "Order By INDEXNOZH Desc"));
    for (; !rs.eof(); rs.moveNext()) {
        QStringList fields;
        for (int i = 0; i < rs.fieldCount(); ++i)
            fields << rs.text(i);
        ctx.out << fields.join(QLatin1Char('\t')) << Qt::endl;
    }
    return BatchExit::Done;
}

// The billing file viewer's table, tab-separated, then its checks. A file
// whose records disagree exits 1, so a script does not send it.
int runView(BatchContext &ctx)
{
    if (ctx.args.size() != 1 || ctx.args[0].startsWith(QLatin1String("--")))
        return usage(ctx, QStringLiteral("使い方: billing-view FILE"));
    BillingFileView view;
    try {
        view = readBillingFileView(QFileInfo(ctx.args[0]).absoluteFilePath());
    } catch (const DbError &e) {
        return batchFailure(ctx, e.number(), e.description());
    }
    ctx.out << billingViewCaptions().join(QLatin1Char('\t')) << Qt::endl;
    for (const QStringList &row : billingViewRows(view))
        ctx.out << row.join(QLatin1Char('\t')) << Qt::endl;
    for (const QString &line : billingViewSummary(view))
        ctx.out << line << Qt::endl;
    for (const QString &line : view.problems)
        ctx.out << line << Qt::endl;
    if (!view.ok()) {
        ctx.out << QStringLiteral("請求データファイルの内容が一致しません。送信しないでください。") << Qt::endl;
        return BatchExit::NothingDone;
    }
    ctx.out << QStringLiteral("トレーラーの件数と合計はすべて一致しています。") << Qt::endl;
    return BatchExit::Done;
}

// The billing desk is one desk's at a time: the command holds it for its
// run, or is refused (exit 1) naming the desk that bills.
std::function<int(BatchContext &)> atTheBillingDesk(std::function<int(BatchContext &)> run)
{
    return [run](BatchContext &ctx) {
        const HeldWork desk(RequireConnection(), WorkLock::Work::Billing);
        if (!desk) {
            ctx.out << batchLine(desk.refusal()) << Qt::endl;
            return BatchExit::NothingDone;
        }
        return run(ctx);
    };
}

} // namespace

QList<BatchCommand> billingBatchCommands()
{
    return {
        BatchCommand{QStringLiteral("closing"), QStringLiteral("closing --from YYYY/MM/DD --to YYYY/MM/DD"),
                     QStringLiteral("締日計算: 期間を確定し未請求の伝票を集計します"), atTheBillingDesk(runClosingCommand)},
        BatchCommand{QStringLiteral("billing-tick"), QStringLiteral("billing-tick [--run Z] --slip INDEXNOH2 --on|--off"),
                     QStringLiteral("伝票を請求する/しないに切り替えます (--run: 請求済みの伝票を再請求)"), atTheBillingDesk(runTick)},
        BatchCommand{QStringLiteral("billing-check"), QStringLiteral("billing-check"),
                     QStringLiteral("金額確認: 今回請求分と繰越請求分の枚数と金額を表示します"), runCheck},
        BatchCommand{QStringLiteral("bill"), QStringLiteral("bill --out FILE"),
                     QStringLiteral("請求処理: 請求データファイルを作成し請求を記録します"), atTheBillingDesk(runBill)},
        BatchCommand{QStringLiteral("billing-reoutput"), QStringLiteral("billing-reoutput --run Z --out FILE"),
                     QStringLiteral("請求管理No Z の請求データファイルを再出力します"), atTheBillingDesk(runReoutput)},
        BatchCommand{QStringLiteral("billing-export"), QStringLiteral("billing-export --run Z --to DIR"),
                     QStringLiteral("請求管理No Z を SQL/SEIKYU.SQL でカスタム出力します"), runExport},
        BatchCommand{QStringLiteral("billing-runs"), QStringLiteral("billing-runs"),
                     QStringLiteral("請求履歴を一行に一件、タブ区切りで表示します"), runHistory},
        BatchCommand{QStringLiteral("billing-view"), QStringLiteral("billing-view FILE"),
                     QStringLiteral("請求データファイルの中身を表にし、トレーラーの件数と合計を確かめます"), runView, false},
    };
}
