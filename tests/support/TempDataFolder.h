#pragma once
// A fresh data folder for one test: AppFolder points at a temporary folder
// that is removed afterwards; prepare() creates the databases and opens the
// application connection on them.
//
// With TOBARI_TEST_ENGINE=postgresql (and TOBARI_TEST_PG holding the test
// server's connection string, as scripts/test.sh sets it) the folder's
// Conf.DAT names the server instead, with a schema of the test's own that
// is dropped afterwards: the same test then runs on the server.

#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/DataFolder.h"
#include "store/Connection.h"
#include "store/PgConnection.h"
#include "support/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>

#include <gtest/gtest.h>

// Whether the tests run on the test server.
inline bool testsOnServer()
{
    return qEnvironmentVariable("TOBARI_TEST_ENGINE").compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0
        && !qEnvironmentVariable("TOBARI_TEST_PG").isEmpty();
}

class TempDataFolder {
public:
    TempDataFolder()
    {
        EXPECT_TRUE(dir_.isValid());
        AppFolder::setPath(dir_.path());
        if (testsOnServer()) {
            static std::atomic<int> serial{0};
            schema_ = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
            QFile conf(dir_.filePath(QStringLiteral("Conf.DAT")));
            EXPECT_TRUE(conf.open(QIODevice::WriteOnly));
            conf.write(QStringLiteral("[Database]\r\nEngine=PostgreSQL\r\nConnection=%1\r\nSchema=%2\r\n")
                           .arg(qEnvironmentVariable("TOBARI_TEST_PG"), schema_)
                           .toUtf8());
        }
    }
    ~TempDataFolder()
    {
        OpenDatabase(false);
        Clock::reset();
        if (!schema_.isEmpty()) {
            try {
                auto admin = PgConnection::open(qEnvironmentVariable("TOBARI_TEST_PG"),
                                                QStringLiteral("tobari-edi tests"), QStringLiteral("public"));
                admin->execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema_));
            } catch (const DbError &e) {
                ADD_FAILURE() << "the test schema stays: " << e.description().toStdString();
            }
        }
    }

    QString path() const { return dir_.path(); }
    QString file(const QString &rel) const { return dir_.filePath(rel); }
    // The server schema of the test, empty on the embedded engine.
    const QString &schema() const { return schema_; }

    // Creates data.db and common.db (or the server schema) and opens the
    // application connection on them.
    Database &prepare()
    {
        DataFolder::prepare();
        const int error = OpenDatabase(true);
        EXPECT_EQ(error, 0) << dataAccessErrorText(error).toStdString();
        return RequireConnection();
    }

private:
    QTemporaryDir dir_;
    QString schema_;
};
