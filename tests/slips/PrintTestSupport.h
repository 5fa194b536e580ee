#pragma once
// A data folder with the installed forms and an open database, slips and
// lines written straight into the working tables, and a print progress
// whose cancel button a test presses before chosen pages.

#include "slips/PrintRecordset.h"
#include "slips/Printout.h"
#include "support/RecordingFormRenderer.h"
#include "support/ScriptedProgress.h"
#include "store/Clock.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>


class PrintFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        ASSERT_TRUE(QDir().mkpath(folder.file(QStringLiteral("COR"))));
        for (const char *form : {"COR/TA2.crf", "COR/AS.crf"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(TOBARI_DATA_DIR "/") + QLatin1String(form),
                                    folder.file(QLatin1String(form))));
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 30)));
    }

    // A batch as the import leaves it: its file header and flag row.
    void batch(int h1)
    {
        SlipRows::insert(*db, QStringLiteral("TBL_RD_H1"), {{"INDEXNOH1", h1}, {"OLDATE", "261201"}});
        SlipRows::insert(*db, QStringLiteral("TBL_FLG_DATA"), {{"INDEXNOH1", h1}, {"IMPORT_DATE", "261201"}});
    }

    // Prints the rows of `sql` as slips (true) or lists (false); returns
    // the pages printed and keeps the run's result in `last`. An error
    // that ended the run is thrown here, for the tests to look at.
    int print(const QString &sql, bool slips, PrintProgress *progress = nullptr)
    {
        PrintRecordset rows(*db, sql);
        PrintRunner runner(*db, dialogs, renderer, progress);
        last = runner.print(rows, slips);
        if (last.error != 0)
            throw DbError(last.error, last.errorText);
        return last.pages;
    }

    QString text(const QString &sql) { return db->scalar(sql).toString(); }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    RecordingFormRenderer renderer;
    PrintRunResult last;
};
