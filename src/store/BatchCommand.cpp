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
