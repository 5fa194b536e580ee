#pragma once
// A fresh data folder for one test: AppFolder points at a temporary folder
// that is removed afterwards; prepare() creates the databases and opens the
// application connection on them.

#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/DataFolder.h"
#include "store/DbCommon.h"
#include "support/ScriptedDialogs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

class TempDataFolder {
public:
    TempDataFolder()
    {
        EXPECT_TRUE(dir_.isValid());
        AppFolder::setPath(dir_.path());
    }
    ~TempDataFolder()
    {
        ScriptedDialogs quiet;
        OpenDatabase(false, quiet);
        Clock::reset();
    }

    QString path() const { return dir_.path(); }
    QString file(const QString &rel) const { return dir_.filePath(rel); }

    // Creates data.db and common.db and opens the application connection.
    Database &prepare()
    {
        DataFolder::prepare();
        ScriptedDialogs d;
        EXPECT_EQ(OpenDatabase(true, d), 0) << d.texts().join(QLatin1Char('\n')).toStdString();
        return RequireConnection();
    }

private:
    QTemporaryDir dir_;
};
