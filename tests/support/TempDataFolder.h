#pragma once
// A fresh data folder for one test: AppFolder points at a temporary folder
// that is removed afterwards; prepare() creates the databases and opens the
// application connection on them.

#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/DataFolder.h"
#include "store/Connection.h"
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
        OpenDatabase(false);
        Clock::reset();
    }

    QString path() const { return dir_.path(); }
    QString file(const QString &rel) const { return dir_.filePath(rel); }

    // Creates data.db and common.db and opens the application connection.
    Database &prepare()
    {
        DataFolder::prepare();
        const int error = OpenDatabase(true);
        EXPECT_EQ(error, 0) << dataAccessErrorText(error).toStdString();
        return RequireConnection();
    }

private:
    QTemporaryDir dir_;
};
