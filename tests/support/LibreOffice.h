#pragma once
// The operator's spreadsheet as a check: LibreOffice converts the first
// sheet of a workbook to CSV lines, values as shown.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <gtest/gtest.h>

inline bool libreOfficeInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

// The lines of `xlsx`'s first sheet; `workDir` takes the CSV file and
// LibreOffice's profile. Empty when LibreOffice is not installed.
inline QStringList libreOfficeLines(const QString &workDir, const QString &xlsx)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        return {};
    QDir().mkpath(workDir);
    const QDir dir(workDir);
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(soffice, {QStringLiteral("--headless"),
                      QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("lo")),
                      QStringLiteral("--convert-to"),
                      QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false"),
                      QStringLiteral("--outdir"), workDir, xlsx});
    EXPECT_TRUE(p.waitForFinished(120000));
    QFile csv(dir.filePath(QFileInfo(xlsx).completeBaseName() + QStringLiteral(".csv")));
    EXPECT_TRUE(csv.open(QIODevice::ReadOnly)) << csv.fileName().toStdString();
    return QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
