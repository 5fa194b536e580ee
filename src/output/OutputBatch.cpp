#include "output/OutputBatch.h"

#include "output/DeliveredQuantity.h"
#include "output/clsCustomDOP.h"
#include "store/GridColumns.h"
#include "store/AppFolder.h"
#include "store/Connection.h"
#include "store/Literals.h"
#include "store/DbError.h"
#include "store/Dialogs.h"

#include <QFileInfo>
#include <QMap>
#include <QTextStream>

#include <optional>

namespace {

struct ExportArgs {
    QString definition;        // the file to read
    QString missingMessage;    // what the screen says when it is not there
    bool needsRunNumber = false;
    QString folder;
    QStringList values = QStringList(clsCustomDOP::ParameterCount, QStringLiteral(" "));
    QString error;             // a usage error
};

// The two definitions the screens run, by the name of their file.
struct KnownDefinition {
    const char *name;
    const char *missingMessage;
    bool needsRunNumber;
};
constexpr KnownDefinition KnownDefinitions[] = {
    {"NOUHIN", "納品カスタム書き出し用の設定ファイルがありません。", false},
    {"SEIKYU", "請求カスタム書き出し用の設定ファイルがありません。", true},
};

std::optional<int> placeholderNumber(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 0 || n >= clsCustomDOP::ParameterCount)
        return std::nullopt;
    return n;
}

ExportArgs parseExportArgs(const QStringList &args)
{
    ExportArgs a;
    QString name;
    QStringList positional;
    QList<std::pair<int, QString>> named;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        auto value = [&](const QString &option) -> std::optional<QString> {
            if (arg.startsWith(option + QLatin1Char('=')))
                return arg.mid(option.size() + 1);
            if (arg != option)
                return std::nullopt;
            if (i + 1 >= args.size()) {
                a.error = QStringLiteral("%1 には値が必要です。").arg(option);
                return QString();
            }
            return args.at(++i);
        };
        if (const auto v = value(QStringLiteral("--out")); v) {
            a.folder = *v;
        } else if (const auto t = value(QStringLiteral("--to")); t) {
            a.folder = *t;
        } else if (const auto d = value(QStringLiteral("--definition")); d) {
            a.definition = *d;
            a.missingMessage = QStringLiteral("書き出し定義ファイルがありません。");
        } else if (const auto p = value(QStringLiteral("--param")); p) {
            positional << *p;
        } else if (const auto s = value(QStringLiteral("--set")); s) {
            const qsizetype eq = s->indexOf(QLatin1Char('='));
            const auto n = eq > 0 ? placeholderNumber(s->left(eq)) : std::nullopt;
            if (!n) {
                a.error = QStringLiteral("--set は 0 から 9 の番号と値を N=VALUE の形で指定してください: %1").arg(*s);
                return a;
            }
            named << std::pair{*n, s->mid(eq + 1)};
        } else if (arg.startsWith(QLatin1String("--"))) {
            a.error = QStringLiteral("不明なオプションです: %1").arg(arg);
        } else if (a.definition.isEmpty() && name.isEmpty()) {
            name = arg;
        } else {
            positional << arg;
        }
        if (!a.error.isEmpty())
            return a;
    }

    if (!name.isEmpty() && !a.definition.isEmpty()) {
        positional.prepend(name);   // with --definition every word is a value
        name.clear();
    }
    if (a.definition.isEmpty()) {
        for (const KnownDefinition &k : KnownDefinitions) {
            if (name.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0) {
                a.definition = AppFolder::file(QStringLiteral("SQL/%1.SQL").arg(QLatin1String(k.name)));
                a.missingMessage = QString::fromUtf8(k.missingMessage);
                a.needsRunNumber = k.needsRunNumber;
            }
        }
        if (a.definition.isEmpty()) {
            a.error = name.isEmpty() ? QStringLiteral("書き出す定義 (NOUHIN、SEIKYU または --definition FILE) を指定してください。")
                                     : QStringLiteral("不明な書き出し定義です: %1").arg(name);
            return a;
        }
    }
    if (positional.size() > clsCustomDOP::ParameterCount) {
        a.error = QStringLiteral("値は 10 個までです。");
        return a;
    }
    for (int i = 0; i < positional.size(); ++i)
        a.values[i] = positional.at(i);
    bool runNumberGiven = !positional.isEmpty();
    for (const auto &[n, v] : named) {
        a.values[n] = v;
        runNumberGiven = runNumberGiven || n == 0;
    }
    if (a.needsRunNumber && !runNumberGiven) {
        a.error = QStringLiteral("SEIKYU には請求管理No を値 0 として指定してください。");
        return a;
    }
    if (a.folder.isEmpty())
        a.error = QStringLiteral("書き出し先フォルダを --out DIR で指定してください。");
    else if (!QFileInfo(a.folder).isDir())
        a.error = QStringLiteral("書き出し先の指定が不正です。 (%1)").arg(a.folder);
    return a;
}

int runExport(BatchContext &ctx)
{
    const ExportArgs a = parseExportArgs(ctx.args);
    if (!a.error.isEmpty()) {
        ctx.err << a.error << Qt::endl;
        return BatchExit::Usage;
    }
    clsCustomDOP dop;
    const int read = dop.setFile(a.definition);
    if (read == 1)
        return batchFailure(ctx, DbErr::FileNotFound,
                            QStringLiteral("%1 (%2)").arg(a.missingMessage, QFileInfo(a.definition).absoluteFilePath()));
    if (read != 0)
        return batchFailure(ctx, read, dop.lastErrorDescription());
    dop.setDistination(a.folder);
    const qint32 r = dop.eXport(RequireConnection(), ctx.dialogs, a.values);
    switch (r) {
    case clsCustomDOP::Written:
        ctx.out << QStringLiteral("出力ファイル: ") << dop.outputPath() << Qt::endl;
        return BatchExit::Done;
    case clsCustomDOP::NoRows:
        ctx.dialogs.info(QStringLiteral("出力する明細が存在しません。"));
        return BatchExit::NothingDone;
    case clsCustomDOP::NoFolder:
        ctx.dialogs.error(QStringLiteral("書き出し先の指定が不正です。"));
        return BatchExit::NothingDone;
    default:
        return batchFailure(ctx, r,
                            QStringLiteral("出力する際にエラーが発生しました。 ") + dop.lastErrorDescription());
    }
}

// correct-slip --slip NO --set LINE=PIECES[,LINE=PIECES...]: the named
// lines get the given pieces, the others are saved as the correction screen
// shows them, and every line is marked corrected.
int runCorrectSlip(BatchContext &ctx)
{
    QString slip;
    QMap<QString, QString> pieces;
    for (int i = 0; i < ctx.args.size(); ++i) {
        const QString &a = ctx.args.at(i);
        if ((a == QLatin1String("--slip") || a == QLatin1String("--set")) && i + 1 < ctx.args.size()) {
            const QString v = ctx.args.at(++i);
            if (a == QLatin1String("--slip")) {
                slip = v;
                continue;
            }
            for (const QString &pair : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const qsizetype eq = pair.indexOf(QLatin1Char('='));
                if (eq <= 0) {
                    ctx.err << QStringLiteral("--set は 行=数量 の形で指定してください: %1").arg(pair) << Qt::endl;
                    return BatchExit::Usage;
                }
                pieces.insert(pair.left(eq).trimmed(), pair.mid(eq + 1).trimmed());
            }
        } else {
            ctx.err << QStringLiteral("使い方: correct-slip --slip NO --set LINE=PIECES[,LINE=PIECES...]") << Qt::endl;
            return BatchExit::Usage;
        }
    }
    if (slip.isEmpty()) {
        ctx.err << QStringLiteral("使い方: correct-slip --slip NO --set LINE=PIECES[,LINE=PIECES...]") << Qt::endl;
        return BatchExit::Usage;
    }
    Database &db = RequireConnection();
    Recordset billed = db.query(QStringLiteral("Select SEIKYU_FLG From TBL_RD_H2 Where OMDNNO=") + SqlText(slip, false, true));
    if (billed.eof()) {
        ctx.dialogs.message(QStringLiteral("伝票 %1 はありません。").arg(slip), applicationTitle(), MsgIcon::Warning,
                            MsgButtons::Ok, MsgResult::Ok);
        return BatchExit::NothingDone;
    }
    if (billed.text(0) == QLatin1String("-1")) {
        ctx.dialogs.error(QStringLiteral("選択されたデータは請求済みです。\n請求済みのデータを変更する事は出来ません。"));
        return BatchExit::NothingDone;
    }
    billed.close();

    GridData rows = loadGridData(db, SlipCorrectionSql(slip));
    const int lineColumn = rows.indexOf(QStringLiteral("行"));
    const int quantityColumn = rows.indexOf(QStringLiteral("納品数"));
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString line = rows.text(r, lineColumn);
        for (auto it = pieces.begin(); it != pieces.end(); ++it) {
            // Lines are named as printed: "1" and "01" are the same line.
            if (it.key() == line || (it.key().toInt() > 0 && it.key().toInt() == line.toInt())) {
                rows.setText(r, quantityColumn, it.value());
                pieces.erase(it);
                break;
            }
        }
    }
    if (!pieces.isEmpty()) {
        ctx.err << QStringLiteral("伝票 %1 に行 %2 はありません。").arg(slip, pieces.keys().join(QLatin1Char(',')))
                << Qt::endl;
        return BatchExit::Usage;
    }
    if (!ctx.dialogs.confirm(QStringLiteral("伝票 %1 の納品数を訂正します。宜しいですか？").arg(slip)))
        return BatchExit::NothingDone;
    const CorrectionResult result = SaveCorrection(db, ctx.dialogs, rows, 0, quantityColumn, -1);
    switch (result.status) {
    case CorrectionResult::Saved:
        for (int r = 0; r < rows.rowCount(); ++r)
            ctx.out << QStringLiteral("行 %1: 納品数 %2").arg(rows.text(r, lineColumn), rows.text(r, quantityColumn))
                    << Qt::endl;
        return BatchExit::Done;
    case CorrectionResult::Declined:
        return BatchExit::NothingDone;
    case CorrectionResult::Refused:
        // A rule of the entry (a negative or over-precise quantity) refuses
        // the value as the screen does; a text that is no number or does not
        // fit is an error with its number.
        if (result.error == 0) {
            ctx.dialogs.error(QStringLiteral("行 %1: %2").arg(rows.text(result.row, lineColumn), result.message));
            return BatchExit::NothingDone;
        }
        return batchFailure(ctx, result.error, result.message);
    case CorrectionResult::Failed:
        break;
    }
    return batchFailure(ctx, result.error, result.message);
}

} // namespace

QList<BatchCommand> outputBatchCommands()
{
    return {BatchCommand{QStringLiteral("export"),
                         QStringLiteral("export NOUHIN|SEIKYU|--definition FILE --out DIR [VALUE...] [--set N=VALUE...]"),
                         QStringLiteral("カスタム書き出し定義 (SQL/NOUHIN.SQL、SQL/SEIKYU.SQL など) でファイルを書き出します"),
                         runExport},
            BatchCommand{QStringLiteral("correct-slip"),
                         QStringLiteral("correct-slip --slip NO --set LINE=PIECES[,LINE=PIECES...]"),
                         QStringLiteral("伝票の納品数を訂正します（ほかの行は表示どおりの数量で保存）"), runCorrectSlip}};
}
