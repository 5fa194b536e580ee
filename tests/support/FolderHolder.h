#pragma once
// Another program holding a data folder: a real process (folder_lock_child)
// that takes its roles and keeps them until it is stopped or killed.

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

class FolderHolder {
public:
    // `roles`: "use", "window", "replace". Waits (bounded) until the child
    // holds them; ok() says whether it does.
    FolderHolder(const QString &childProgram, const QString &folder, const QString &name, const QStringList &roles)
    {
        process_.setProgram(childProgram);
        process_.setArguments(QStringList{folder, name} + roles);
        process_.start();
        if (!process_.waitForStarted(10000))
            return;
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        ok_ = process_.readLine().trimmed() == "ready";
    }
    ~FolderHolder() { stop(); }
    FolderHolder(const FolderHolder &) = delete;
    FolderHolder &operator=(const FolderHolder &) = delete;

    bool ok() const { return ok_; }
    qint64 pid() const { return process_.processId(); }

    // Ends it as a crash would: no chance to let go of anything.
    void kill()
    {
        process_.kill();
        process_.waitForFinished(10000);
    }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.closeWriteChannel();
        if (!process_.waitForFinished(10000))
            kill();
    }

private:
    QProcess process_;
    bool ok_ = false;
};
