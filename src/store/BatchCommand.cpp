#include "store/BatchCommand.h"

#include <QTextStream>

QString batchLine(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QStringLiteral("　"));
    t.replace(QLatin1Char('\n'), QStringLiteral("　"));
    t.replace(QLatin1Char('\r'), QStringLiteral("　"));
    return t.trimmed();
}

int batchFailure(BatchContext &ctx, int number, const QString &description)
{
    ctx.err << QStringLiteral("エラー %1: %2").arg(number).arg(batchLine(description)) << Qt::endl;
    return BatchExit::Failed;
}

BatchOptions parseBatchOptions(const QStringList &args, const QStringList &withValue, const QStringList &flags)
{
    BatchOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (withValue.contains(a)) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("%1 には値が必要です。").arg(a);
                return o;
            }
            o.values.insert(a.mid(2), args.at(++i));
        } else if (flags.contains(a)) {
            o.flags << a.mid(2);
        } else {
            o.error = QStringLiteral("不明な引数です: %1").arg(a);
            return o;
        }
    }
    return o;
}
