#include "import/ImportBatch.h"

#include "import/ImportProgress.h"
#include "import/MasterImport.h"
#include "import/OrderImport.h"
#include "import/OrderPickUp.h"
#include "store/Connection.h"
#include "store/FileTrash.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    if (FileTrash::move(a.path))
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
    for (const QString &line : op.summaryLines())
        ctx.out << line << Qt::endl;
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

const QString PickUpUsage = QStringLiteral("import-new");

// For a scheduler on the office PC: every order file of the read folder
// not imported before, one line per file. Exit 0 when every new file was
// imported, 1 when there was none or one was declined or refused, 3 when
// an import failed.
int importNew(BatchContext &ctx)
{
    if (!ctx.args.isEmpty()) {
        ctx.err << QStringLiteral("使い方: tobari-edi ") << PickUpUsage << Qt::endl;
        return BatchExit::Usage;
    }
    const QString folder = Settings::readText(SettingKey::ReadPath);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        ctx.err << QStringLiteral("エラー: 読込みフォルダ（Read_Path）がありません。 (%1)").arg(folder) << Qt::endl;
        return BatchExit::Failed;
    }
    const auto import = [&](const QString &path) {
        QuietProgress progress;
        OrderImport op(RequireConnection(), ctx.dialogs, progress);
        op.setShowsErrors(false);   // the file's line says it
        const int result = op.run(path);
        return ImportAttempt{result, op.errorDescription()};
    };
    bool anyNew = false;
    bool allImported = true;
    bool failedOne = false;
    pickUpOrderFiles(folder, Settings::readInt(SettingKey::PickUpTrash) == 1, import,
                     [&](const PickedUpFile &f) {
                         (f.outcome == PickedUpFile::Failed ? ctx.err : ctx.out) << f.line() << Qt::endl;
                         if (f.outcome == PickedUpFile::ImportedBefore)
                             return;
                         anyNew = true;
                         allImported = allImported && f.outcome == PickedUpFile::Imported;
                         failedOne = failedOne || f.outcome == PickedUpFile::Failed;
                     });
    if (!anyNew) {
        ctx.out << QStringLiteral("新しい受信データはありません。") << Qt::endl;
        return BatchExit::NothingDone;
    }
    return failedOne ? BatchExit::Failed : allImported ? BatchExit::Done : BatchExit::NothingDone;
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
        {QStringLiteral("import-new"), PickUpUsage,
         QStringLiteral("読込みフォルダの新しい発注ファイルをすべて取り込みます"), importNew},
        {QStringLiteral("batches"), QStringLiteral("batches"),
         QStringLiteral("取り込んだバッチの一覧を表示します"), listBatches},
    };
}
