#pragma once
// A stand-in for the label program: a script that records the arguments it
// was started with, one per line, and a copy of the data file named by
// /D= as it was the moment the program started.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QThread>

#include <optional>

class LabelProgramStandIn {
public:
    explicit LabelProgramStandIn(const QString &folder) : dir_(folder)
    {
        QDir().mkpath(folder);
        QFile f(program());
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n"
                "exec 2>/dev/null\n"
                "here=$(dirname \"$0\")\n"
                "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$here/args.part\"\n"
                "data=${1#/D=}\n"
                "cat \"$data\" > \"$here/seen.csv\"\n"
                "mv \"$here/args.part\" \"$here/args.txt\"\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }

    QString program() const { return dir_.filePath(QStringLiteral("label-program")); }

    // The arguments of its start, once it has run (the program is not
    // waited for by the application, so the test waits for its record).
    std::optional<QStringList> arguments() const
    {
        const QString record = dir_.filePath(QStringLiteral("args.txt"));
        QDeadlineTimer deadline(20000);
        while (!QFileInfo::exists(record) && !deadline.hasExpired())
            QThread::msleep(20);
        QFile f(record);
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The data file as the program found it when it started.
    QByteArray seenData() const
    {
        QFile f(dir_.filePath(QStringLiteral("seen.csv")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    bool started() const { return QFileInfo::exists(dir_.filePath(QStringLiteral("args.txt"))); }

private:
    QDir dir_;
};

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
