#include "app/DesktopOpener.h"

#include "store/Dialogs.h"

#include <QProcess>
#include <QUrl>

DesktopOpener::DesktopOpener(Dialogs &dialogs, QString program, QObject *parent)
    : QObject(parent), dialogs_(dialogs), program_(std::move(program))
{
}

void DesktopOpener::fail(const QString &target, const QString &failureText, const QString &reason)
{
    dialogs_.error(failureText + QLatin1Char('\n') + target + QLatin1Char('\n') + reason);
    emit finished(false);
}

void DesktopOpener::open(const QString &target, const QString &failureText)
{
    const QUrl url = QUrl::fromUserInput(target);
    if (!url.isValid()) {
        fail(target, failureText, QStringLiteral("アドレスの形式が正しくありません。"));
        return;
    }
    // The opener hands the address to the browser and ends; its exit status
    // and its error output are the only word on what went wrong.
    auto *process = new QProcess(this);
    process->setProgram(program_);
    process->setArguments({url.toString()});
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::errorOccurred, this, [this, process, target, failureText](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        process->deleteLater();
        fail(target, failureText,
             QStringLiteral("%1 を起動できません。 (%2)").arg(program_, process->errorString()));
    });
    connect(process, &QProcess::finished, this,
            [this, process, target, failureText](int exitCode, QProcess::ExitStatus status) {
                process->deleteLater();
                if (status == QProcess::NormalExit && exitCode == 0) {
                    emit finished(true);
                    return;
                }
                QString reason = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
                if (reason.isEmpty())
                    reason = status == QProcess::NormalExit
                        ? QStringLiteral("%1 が終了コード %2 で終了しました。").arg(program_).arg(exitCode)
                        : QStringLiteral("%1 が異常終了しました。").arg(program_);
                fail(target, failureText, reason);
            });
    process->start();
}
