#include "tags/TagsBatch.h"

#include "store/Database.h"
#include "store/Connection.h"
#include "store/Dialogs.h"
#include "tags/RequestTags.h"
#include "tags/RequestWorkbooks.h"
#include "tags/TagIssue.h"
#include "tags/TagReports.h"
#include "tags/TagSummary.h"

#include <QMap>
#include <QTextStream>

#include <optional>

namespace {

const QString kTagsUsage = QStringLiteral(
    "使い方: tags --batch N --kind KIND CODE [--reprint] | tags --line INDEXNOBD --count Q");

struct TagsArgs {
    QString batch, kind, code, line, count;
    bool reprint = false;
    QString error;
};

bool isWholeNumber(const QString &text)
{
    bool ok = false;
    text.toLongLong(&ok);
    return ok;
}

TagsArgs parseTagsArgs(const QStringList &args)
{
    TagsArgs a;
    for (int i = 0; i < args.size() && a.error.isEmpty(); ++i) {
        const QString &arg = args.at(i);
        auto take = [&](QString &into, int n = 1) {
            if (i + n >= args.size()) {
                a.error = QStringLiteral("%1 には値が必要です。").arg(arg);
                return;
            }
            into = args.at(++i);
        };
        if (arg == QLatin1String("--batch")) {
            take(a.batch);
        } else if (arg == QLatin1String("--kind")) {
            take(a.kind, 2);
            if (a.error.isEmpty())
                take(a.code);
        } else if (arg == QLatin1String("--line")) {
            take(a.line);
        } else if (arg == QLatin1String("--count")) {
            take(a.count);
        } else if (arg == QLatin1String("--reprint")) {
            a.reprint = true;
        } else {
            a.error = QStringLiteral("不明な引数です: %1").arg(arg);
        }
    }
    if (!a.error.isEmpty())
        return a;
    const bool kindRun = !a.batch.isEmpty() || !a.kind.isEmpty();
    const bool lineRun = !a.line.isEmpty() || !a.count.isEmpty();
    if (kindRun == lineRun || (kindRun && (a.batch.isEmpty() || a.kind.isEmpty()))
        || (lineRun && (a.line.isEmpty() || a.count.isEmpty())) || (lineRun && a.reprint))
        a.error = kTagsUsage;
    else if (kindRun && !isWholeNumber(a.batch))
        a.error = QStringLiteral("管理No は数字で指定してください: %1").arg(a.batch);
    else if (lineRun && !isWholeNumber(a.line))
        a.error = QStringLiteral("INDEXNOBD は数字で指定してください: %1").arg(a.line);
    return a;
}

// The batch mode's answer to the count box: the --count value; every other
// box goes to the command's own dialogs.
class CountAnswer : public Dialogs {
public:
    CountAnswer(Dialogs &inner, QString count) : inner_(inner), count_(std::move(count)) {}
    MsgResult message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                      MsgResult defaultButton) override
    {
        return inner_.message(text, title, icon, buttons, defaultButton);
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return count_; }
    QString openFile(const QString &t, const QString &s, const QString &f) override { return inner_.openFile(t, s, f); }
    QString saveFile(const QString &t, const QString &s, const QString &f) override { return inner_.saveFile(t, s, f); }
    QString chooseFolder(const QString &c, const QString &s) override { return inner_.chooseFolder(c, s); }

private:
    Dialogs &inner_;
    QString count_;
};

int exitOf(TagRunOutcome::Status s)
{
    switch (s) {
    case TagRunOutcome::Done:
        return BatchExit::Done;
    case TagRunOutcome::Failed:
        return BatchExit::Failed;
    default:
        return BatchExit::NothingDone;
    }
}

int runKindTags(BatchContext &ctx, const TagsArgs &a)
{
    Database &db = RequireConnection();
    const qint32 batch = a.batch.toInt();
    BuildTagSummary(db, batch);
    QList<TagKindRow> rows;
    {
        Recordset rs = db.query(QStringLiteral("Select INDEXNOH1,NEHUDA_SYU,NEHUDA_KUBUN,TAG_SYU,SUU,OP_DATE From TBL_HUDA "
                                               "Where NEHUDA_SYU=? And NEHUDA_KUBUN=? And OP_DATE=? Order By ")
                                    + TagSummaryOrder(),
                                {a.kind, a.code, a.reprint ? QStringLiteral("出力済み") : QString(QLatin1String(""))});
        for (; !rs.eof(); rs.moveNext())
            rows << TagKindRow{rs.text(0), rs.text(1), rs.text(2), rs.text(3), rs.text(4), rs.text(5)};
    }
    if (rows.isEmpty()) {
        ctx.dialogs.message(QStringLiteral("出力する明細が存在しませんでした。"), QStringLiteral("確認"), MsgIcon::Warning,
                            MsgButtons::Ok, MsgResult::Ok);
        return BatchExit::NothingDone;
    }
    const std::optional<QString> flag = TagIssue::pbFlag(db, a.kind, a.code);
    if (!flag) {
        ctx.dialogs.error(QStringLiteral("札種 %1 札区 %2 は札種マスタにありません。").arg(a.kind, a.code));
        return BatchExit::NothingDone;
    }
    int exit = BatchExit::NothingDone;
    // A PB kind has one row per PB tag type; each is its own run.
    for (const TagKindRow &row : rows) {
        const TagRunOutcome o = TagIssue::issueKind(db, ctx.dialogs, readTagSettings(), *flag, row);
        const int e = exitOf(o.status);
        if (e == BatchExit::Failed || (e == BatchExit::Done && exit != BatchExit::Failed))
            exit = e;
    }
    // As the screen reopens the batch after a run.
    BuildTagSummary(db, batch);
    return exit;
}

int runLineTags(BatchContext &ctx, const TagsArgs &a)
{
    Database &db = RequireConnection();
    const std::optional<TagIssue::LineKind> k = TagIssue::kindOfLine(db, a.line);
    if (!k) {
        ctx.dialogs.message(QStringLiteral("明細 %1 はありません。").arg(a.line), applicationTitle(), MsgIcon::Warning,
                            MsgButtons::Ok, MsgResult::Ok);
        return BatchExit::NothingDone;
    }
    CountAnswer dialogs(ctx.dialogs, a.count);
    const TagRunOutcome o = TagIssue::issueLine(db, dialogs, readTagSettings(), k->flag, k->row, a.line, k->count);
    // As the screen reopens the batch after a run: the summary shows the
    // line written, and "*" goes once nothing is left to write.
    BuildTagSummary(db, k->row.batch.toInt());
    return exitOf(o.status);
}

int runTags(BatchContext &ctx)
{
    const TagsArgs a = parseTagsArgs(ctx.args);
    if (!a.error.isEmpty()) {
        ctx.err << a.error << Qt::endl;
        return BatchExit::Usage;
    }
    return a.line.isEmpty() ? runKindTags(ctx, a) : runLineTags(ctx, a);
}

int runTagSummary(BatchContext &ctx)
{
    if (ctx.args.size() != 2 || ctx.args.at(0) != QLatin1String("--batch") || !isWholeNumber(ctx.args.at(1))) {
        ctx.err << QStringLiteral("使い方: tag-summary --batch N") << Qt::endl;
        return BatchExit::Usage;
    }
    Database &db = RequireConnection();
    BuildTagSummary(db, ctx.args.at(1).toInt());
    Recordset rs = db.query(
        QStringLiteral("Select INDEXNOH1,NEHUDA_SYU,NEHUDA_KUBUN,TAG_SYU,SUU,OP_DATE From TBL_HUDA Order By ")
        + TagSummaryOrder());
    for (; !rs.eof(); rs.moveNext()) {
        QStringList cells;
        for (int c = 0; c < rs.fieldCount(); ++c)
            cells << rs.text(c);
        ctx.out << cells.join(QLatin1Char('\t')) << Qt::endl;
    }
    return BatchExit::Done;
}

// Options of the form --name VALUE, into `values` (keyed "--name"); false
// (after printing the usage) on anything else.
bool takeOptions(BatchContext &ctx, const QString &usage, QMap<QString, QString> &values)
{
    const BatchOptions o = parseBatchOptions(ctx.args, values.keys());
    if (!o.error.isEmpty()) {
        ctx.err << usage << Qt::endl;
        return false;
    }
    for (auto it = o.values.constBegin(); it != o.values.constEnd(); ++it)
        values[QStringLiteral("--") + it.key()] = it.value();
    return true;
}

int runRequestWorkbooks(BatchContext &ctx)
{
    const QString usage = QStringLiteral("使い方: request-workbooks --batch N [--partner CODE]");
    QMap<QString, QString> o{{QStringLiteral("--batch"), QString()}, {QStringLiteral("--partner"), QString()}};
    if (!takeOptions(ctx, usage, o))
        return BatchExit::Usage;
    const QString batch = o.value(QStringLiteral("--batch"));
    const QString partner = o.value(QStringLiteral("--partner"));
    if (!isWholeNumber(batch)) {
        ctx.err << usage << Qt::endl;
        return BatchExit::Usage;
    }
    if (!ctx.dialogs.confirm(partner.isEmpty()
                                 ? QStringLiteral("値札発行依頼確認書のエクセルファイルを一括作成しますか？")
                                 : QStringLiteral("値札発行依頼確認書のエクセルファイルを作成しますか？")))
        return BatchExit::NothingDone;
    const RequestWorkbooksOutcome r =
        RequestWorkbooks::makeWorkbooks(RequireConnection(), readTagSettings(), batch.toInt(), partner);
    for (const RequestWorkbook &w : r.made)
        ctx.out << w.request << '\t' << w.path << Qt::endl;
    for (const RequestWorkbookFailure &f : r.failed)
        batchFailure(ctx, f.number, f.group + QStringLiteral(": ") + f.description);
    ctx.dialogs.info(TagReports::requestWorkbooks(r.made));
    if (!r.failed.isEmpty())
        return BatchExit::Failed;
    return r.made.isEmpty() ? BatchExit::NothingDone : BatchExit::Done;
}

int runRequests(BatchContext &ctx)
{
    if (!ctx.args.isEmpty()) {
        ctx.err << QStringLiteral("使い方: requests") << Qt::endl;
        return BatchExit::Usage;
    }
    Recordset rs = RequireConnection().query(RequestTags::requestListSql());
    for (; !rs.eof(); rs.moveNext()) {
        QStringList cells;
        for (int c = 0; c < rs.fieldCount(); ++c)
            cells << rs.text(c);
        ctx.out << cells.join(QLatin1Char('\t')) << Qt::endl;
    }
    return BatchExit::Done;
}

int runRequestTags(BatchContext &ctx)
{
    const QString usage = QStringLiteral("使い方: request-tags --request NO");
    QMap<QString, QString> o{{QStringLiteral("--request"), QString()}};
    if (!takeOptions(ctx, usage, o))
        return BatchExit::Usage;
    const QString request = o.value(QStringLiteral("--request"));
    if (request.isEmpty()) {
        ctx.err << usage << Qt::endl;
        return BatchExit::Usage;
    }
    if (!ctx.dialogs.confirm(QStringLiteral("印字データを書き出しますか？")))
        return BatchExit::NothingDone;
    const RequestTagsOutcome r =
        RequestTags::writeRequestTags(RequireConnection(), ctx.dialogs, readTagSettings(), request);
    for (const QString &f : r.files)
        ctx.out << QStringLiteral("出力ファイル: ") << f << Qt::endl;
    ctx.dialogs.info(TagReports::requestTags(request, r));
    if (r.failures > 0)
        return BatchExit::Failed;
    return r.files.isEmpty() ? BatchExit::NothingDone : BatchExit::Done;
}

} // namespace

QList<BatchCommand> tagsBatchCommands()
{
    return {BatchCommand{QStringLiteral("tags"),
                         QStringLiteral("tags --batch N --kind KIND CODE [--reprint] | tags --line INDEXNOBD --count Q"),
                         QStringLiteral("値札データを書き出し、ラベル印刷プログラムを起動します"), runTags},
            BatchCommand{QStringLiteral("tag-summary"), QStringLiteral("tag-summary --batch N"),
                         QStringLiteral("管理No の値札集計を作り直して表示します"), runTagSummary},
            BatchCommand{QStringLiteral("request-workbooks"), QStringLiteral("request-workbooks --batch N [--partner CODE]"),
                         QStringLiteral("値札発行依頼確認書のブックを作成し、依頼Noを付けます"), runRequestWorkbooks},
            BatchCommand{QStringLiteral("requests"), QStringLiteral("requests"),
                         QStringLiteral("値札発行依頼の一覧を表示します（依頼No が先頭）"), runRequests},
            BatchCommand{QStringLiteral("request-tags"), QStringLiteral("request-tags --request NO"),
                         QStringLiteral("依頼の値札データを InPrintData に書き出します"), runRequestTags}};
}
