#include "slips/SlipsBatch.h"

#include "slips/PrintActions.h"
#include "slips/PrintSetup.h"
#include "slips/Printout.h"
#include "store/Connection.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <functional>

namespace {

struct PrintArgs {
    qint32 batch = 0;
    QString one;   // --slip or --order
    QString pdf;
    bool preview = false;
    QString error;
};

PrintArgs parse(const QStringList &args, const QString &oneOption)
{
    PrintArgs a;
    bool haveBatch = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &opt = args[i];
        if (opt == QLatin1String("--preview")) {
            a.preview = true;
            continue;
        }
        const bool known = opt == QLatin1String("--batch") || opt == oneOption || opt == QLatin1String("--pdf");
        if (!known) {
            a.error = QStringLiteral("不明な引数です: %1").arg(opt);
            return a;
        }
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            a.error = QStringLiteral("%1 には値が必要です。").arg(opt);
            return a;
        }
        const QString value = args[++i];
        if (opt == QLatin1String("--batch")) {
            bool ok = false;
            a.batch = value.toInt(&ok);
            if (!ok || a.batch <= 0) {
                a.error = QStringLiteral("管理No は正の整数で指定してください: %1").arg(value);
                return a;
            }
            haveBatch = true;
        } else if (opt == oneOption) {
            a.one = value;
        } else {
            a.pdf = QFileInfo(value).absoluteFilePath();
        }
    }
    if (!haveBatch)
        a.error = QStringLiteral("--batch で管理No を指定してください。");
    else if (a.preview && a.pdf.isEmpty())
        // Without a screen a preview has nowhere to go but a file.
        a.error = QStringLiteral("--preview には --pdf FILE が必要です。");
    return a;
}

using Action = std::function<PrintActionResult(PrintServices &, const PrintArgs &, const BatchRowCells &)>;

// `action` prints; `preview` makes the same pages with nothing stamped.
int runPrint(BatchContext &ctx, const QString &oneOption, const Action &action, const Action &preview,
             const QString &notFound)
{
    const PrintArgs a = parse(ctx.args, oneOption);
    if (!a.error.isEmpty()) {
        ctx.err << a.error << Qt::endl;
        return BatchExit::Usage;
    }
    Database &db = RequireConnection();
    const BatchRowCells cells = batchRowCells(db, a.batch);
    if (!cells.found) {
        ctx.out << QStringLiteral("管理No %1 の取込データはありません。").arg(a.batch) << Qt::endl;
        return BatchExit::NothingDone;
    }

    QtFormRenderer::Options options = PrintSetup::rendererOptions();
    options.pdfFile = a.pdf;
    options.lightFrame = a.preview;
    QtFormRenderer renderer(options);
    PrintRunner runner(db, ctx.dialogs, renderer, nullptr, PrintSetup::assortmentItemRows());
    PrintServices services{db, ctx.dialogs, runner};
    PrintActionResult r;
    try {
        r = (a.preview ? preview : action)(services, a, cells);
    } catch (...) {
        // The pages printed before the failure belong to stamped slips:
        // they are delivered all the same.
        try {
            PrintSetup::tellPdf(renderer, ctx.dialogs, a.preview);
        } catch (...) {
        }
        throw;
    }
    PrintSetup::tellPdf(renderer, ctx.dialogs, a.preview);
    // An error that ended the run is reported as every other error of a
    // batch command is.
    if (r.error != 0)
        throw DbError(r.error, r.errorText);
    if (r.pages > 0 && !renderer.printsToPdf())
        ctx.out << QStringLiteral("プリンタ「%1」に %2 ページを送りました。").arg(renderer.printerUsed()).arg(r.pages)
                << Qt::endl;
    if (r.status == 0 && r.pages == 0 && !a.one.isEmpty()) {
        ctx.out << notFound.arg(a.one).arg(a.batch) << Qt::endl;
        return BatchExit::NothingDone;
    }
    if (r.status == 0 && r.pages == 0)
        ctx.out << QStringLiteral("印刷するページはありませんでした。") << Qt::endl;
    return r.status == 0 ? BatchExit::Done : BatchExit::NothingDone;
}

} // namespace

QList<BatchCommand> slipsBatchCommands()
{
    QList<BatchCommand> list;
    BatchCommand slips{
        QStringLiteral("print-slips"), QStringLiteral("print-slips --batch N [--slip NO] [--pdf FILE] [--preview]"),
        QStringLiteral("管理No N の伝票（--slip で 1 枚）を印刷します。--pdf で PDF ファイルに出力します。"
                       "--preview --pdf FILE は印刷済みの印を付けないプレビューです"),
        [](BatchContext &ctx) {
            return runPrint(
                ctx, QStringLiteral("--slip"),
                [](PrintServices &s, const PrintArgs &a, const BatchRowCells &cells) {
                    return a.one.isEmpty() ? PrintAllSlips(s, a.batch, cells.slipsPrinted, cells.slipCount)
                                           : PrintOneSlip(s, a.batch, a.one);
                },
                [](PrintServices &s, const PrintArgs &a, const BatchRowCells &) {
                    return PreviewSlips(s, a.batch, a.one);
                },
                QStringLiteral("伝票番号 %1 の伝票は管理No %2 にありません。"));
        }};
    slips.needsGui = true;
    BatchCommand lists{
        QStringLiteral("print-assortment"), QStringLiteral("print-assortment --batch N [--order NO] [--pdf FILE] [--preview]"),
        QStringLiteral("管理No N の品揃えリスト（--order で発注 1 件分）を印刷します。--pdf で PDF ファイルに出力します。"
                       "--preview --pdf FILE は印刷済みの印を付けないプレビューです"),
        [](BatchContext &ctx) {
            return runPrint(
                ctx, QStringLiteral("--order"),
                [](PrintServices &s, const PrintArgs &a, const BatchRowCells &cells) {
                    return a.one.isEmpty() ? PrintAllAssortmentLists(s, a.batch, cells.listsPrinted, cells.orderCount)
                                           : PrintOneAssortmentList(s, a.batch, a.one);
                },
                [](PrintServices &s, const PrintArgs &a, const BatchRowCells &) {
                    return PreviewAssortmentLists(s, a.batch, a.one);
                },
                QStringLiteral("発注番号 %1 の発注は管理No %2 にありません。"));
        }};
    lists.needsGui = true;
    return list << slips << lists;
}
