#pragma once
// Opens an address or a document with the desktop's opener program and,
// when that fails, tells the operator why (the opener's own words), instead
// of leaving the reason on a terminal nobody watches.

#include <QObject>
#include <QString>
#include <QStringList>

class Dialogs;
class QProcess;

class DesktopOpener : public QObject {
    Q_OBJECT
public:
    // `program` is the opener ("xdg-open" on the desktop; tests give their own).
    explicit DesktopOpener(Dialogs &dialogs, QString program = QStringLiteral("xdg-open"),
                           QObject *parent = nullptr);

    // Starts the opener for `target` and returns at once. When it cannot be
    // started or ends with a failure, an error box says `failureText`, the
    // target and the reason.
    void open(const QString &target, const QString &failureText);

signals:
    // The opener ended (or could not start); `ok` when it opened the target.
    void finished(bool ok);

private:
    void fail(const QString &target, const QString &failureText, const QString &reason);

    Dialogs &dialogs_;
    QString program_;
};
