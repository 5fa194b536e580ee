#include "import/ImportBatch.h"

#include "import/ImportProgress.h"
#include "import/MasterImport.h"
#include "import/OrderImport.h"
#include "store/Connection.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

const QString TrashOption = QStringLiteral("--trash");

int failed(BatchContext &ctx, int number, const QString &description)
{
    ctx.err << QStringLiteral("エラー %1: %2").arg(number).arg(description) << Qt::endl;
    return BatchExit::Failed;
}

struct FileArgs {
    QString path;
    bool trash = false;
};

// The one FILE argument and --trash; nothing when the usage is wrong.
std::optional<FileArgs> fileArgs(BatchContext &ctx, const QString &usage)
{
    FileArgs a;
    QStringList rest;
    for (const QString &arg : ctx.args) {
        if (arg == TrashOption)
            a.trash = true;
        else
            rest << arg;
    }
    if (rest.size() != 1 || rest.first().startsWith(QLatin1String("--"))) {
        ctx.err << QStringLiteral("使い方: tobari-edi ") << usage << Qt::endl;
        return std::nullopt;
    }
    a.path = rest.first();
    return a;
}

// What the screen's command does after a successful import.
void finish(BatchContext &ctx, const FileArgs &a)
{
    ctx.out << QStringLiteral("読込みが正常に終了しました。") << Qt::endl;
    if (!a.trash)
        return;
    // Qt makes the trash folder only inside an existing data folder; without
    // one it moves the file into the current folder instead.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    if (QFile::moveToTrash(a.path))
        ctx.out << QStringLiteral("ファイルをごみ箱に移動しました。") << Qt::endl;
    else
        ctx.out << QStringLiteral("ファイルをごみ箱に移動できませんでした。 (%1)").arg(a.path) << Qt::endl;
}

int nothingDone(BatchContext &ctx)
{
    ctx.out << QStringLiteral("取り込みませんでした。") << Qt::endl;
    return BatchExit::NothingDone;
}

const QString OrderUsage = QStringLiteral("import-order FILE [--trash]");
const QString PbUsage = QStringLiteral("import-pb FILE [--trash]");
const QString DestinationUsage = QStringLiteral("import-destinations FILE [--trash]");

int importOrder(BatchContext &ctx)
{
    const auto a = fileArgs(ctx, OrderUsage);
    if (!a)
        return BatchExit::Usage;
    QuietProgress progress;
    OrderImport op(RequireConnection(), ctx.dialogs, progress);
    op.setShowsErrors(false);   // the failure line below says it once
    const int result = op.run(a->path);
    if (result == OrderImport::NothingDone)
        return nothingDone(ctx);
    if (result != OrderImport::Done)
        return failed(ctx, result, op.errorDescription());
    for (const OrderBatchInfo &b : op.summary().batches)
        ctx.out << QStringLiteral("管理No %1: データ処理日付 %2 %3、伝票 %4 枚、明細 %5 行")
                       .arg(b.indexNoH1)
                       .arg(b.processingDate, b.processingTime)
                       .arg(b.slips)
                       .arg(b.lines)
                << Qt::endl;
    const OrderImportSummary &s = op.summary();
    if (s.slipsWithoutHeader > 0)
        ctx.out << QStringLiteral("ファイルヘッダより前の伝票 %1 枚は管理No 0 に入りました。").arg(s.slipsWithoutHeader)
                << Qt::endl;
    if (s.linesWithoutSlip > 0)
        ctx.out << QStringLiteral("伝票ヘッダより前の明細 %1 行は伝票 0 に入りました。").arg(s.linesWithoutSlip)
                << Qt::endl;
    if (s.skippedLines > 0)
        ctx.out << QStringLiteral("どの種類でもない %1 行を読み飛ばしました。").arg(s.skippedLines) << Qt::endl;
    finish(ctx, *a);
    return BatchExit::Done;
}

int importPb(BatchContext &ctx)
{
    const auto a = fileArgs(ctx, PbUsage);
    if (!a)
        return BatchExit::Usage;
    QuietProgress progress;
    PbMasterImport op(RequireConnection(), ctx.dialogs, progress);
    op.setShowsErrors(false);   // the failure line below says it once
    const int result = op.run(a->path);
    if (result == 1)
        return nothingDone(ctx);
    if (result != 0)
        return failed(ctx, result, op.errorDescription());
    ctx.out << QStringLiteral("PBタグマスタ %1 件を読み込みました。").arg(op.records()) << Qt::endl;
    if (op.droppedDuplicates() > 0)
        ctx.out << QStringLiteral("同じキーの行が後にあったため %1 件を取り込みませんでした。").arg(op.droppedDuplicates())
                << Qt::endl;
    finish(ctx, *a);
    return BatchExit::Done;
}

int importDestinations(BatchContext &ctx)
{
    const auto a = fileArgs(ctx, DestinationUsage);
    if (!a)
        return BatchExit::Usage;
    QuietProgress progress;
    DestinationMasterImport op(RequireConnection(), progress);
    int result = 0;
    try {
        result = op.run(a->path);
    } catch (const DbError &e) {
        return failed(ctx, e.number(), e.description());
    }
    if (result == 1)
        return nothingDone(ctx);
    ctx.out << QStringLiteral("納品先マスタ %1 件を読み込みました。").arg(op.records()) << Qt::endl;
    if (op.droppedDuplicates() > 0)
        ctx.out << QStringLiteral("同じ得意先・納品先コードの行が後にあったため %1 件を取り込みませんでした。")
                       .arg(op.droppedDuplicates())
                << Qt::endl;
    finish(ctx, *a);
    return BatchExit::Done;
}

int listBatches(BatchContext &ctx)
{
    if (!ctx.args.isEmpty()) {
        ctx.err << QStringLiteral("使い方: tobari-edi batches") << Qt::endl;
        return BatchExit::Usage;
    }
    try {
        Recordset rs = RequireConnection().query(QStringLiteral(
            "Select H1.INDEXNOH1,H1.OLDATE,F.IMPORT_DATE,F.IMPORT_TIME,"
            "(Select count(*) From TBL_RD_H2 H2 Where H2.INDEXNOH1=H1.INDEXNOH1),"
            "(Select count(*) From TBL_RD_BD BD Where BD.INDEXNOH1=H1.INDEXNOH1) "
            "From TBL_RD_H1 H1 Left Join TBL_FLG_DATA F On F.INDEXNOH1=H1.INDEXNOH1 Order By H1.INDEXNOH1"));
        ctx.out << QStringLiteral("管理No\tデータ日付\t取込日\t取込時刻\t伝票枚数\t明細行数") << Qt::endl;
        for (; !rs.eof(); rs.moveNext()) {
            QStringList cells;
            for (int i = 0; i < 6; ++i)
                cells << rs.text(i);
            ctx.out << cells.join(QLatin1Char('\t')) << Qt::endl;
        }
    } catch (const DbError &e) {
        return failed(ctx, e.number(), e.description());
    }
    return BatchExit::Done;
}

} // namespace

QList<BatchCommand> importBatchCommands()
{
    return {
        {QStringLiteral("import-order"), OrderUsage, QStringLiteral("発注ファイルを取り込みます"), importOrder},
        {QStringLiteral("import-pb"), PbUsage, QStringLiteral("PBタグマスタを取り込みます"), importPb},
        {QStringLiteral("import-destinations"), DestinationUsage, QStringLiteral("納品先マスタを取り込みます"),
         importDestinations},
        // The menu's keyword for the same import.
        {QStringLiteral("import-add"), QStringLiteral("import-add FILE [--trash]"),
         QStringLiteral("import-destinations と同じです"), importDestinations},
        {QStringLiteral("batches"), QStringLiteral("batches"),
         QStringLiteral("取り込んだバッチの一覧を表示します"), listBatches},
    };
}
