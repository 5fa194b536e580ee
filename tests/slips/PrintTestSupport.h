#pragma once
// A data folder with the installed forms and an open database, slips and
// lines written straight into the working tables, and a print progress
// whose cancel button a test presses before chosen pages.

#include "slips/PrintRecordset.h"
#include "slips/Printout.h"
#include "support/RecordingFormRenderer.h"
#include "store/AppState.h"
#include "store/Clock.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <set>

// Presses cancel just before the pages named (counting from 1), so the
// question comes after those pages.
class CancelBeforePages : public PrintProgress {
public:
    explicit CancelBeforePages(std::set<int> pages = {}) : pages_(std::move(pages)) {}
    void beforePage(int page, int row, int rows) override
    {
        seen.push_back({page, row, rows});
        if (pages_.count(page))
            requested_ = true;
    }
    bool stopRequested() const override { return requested_; }
    void clearStopRequest() override { requested_ = false; }

    struct Seen {
        int page, row, rows;
    };
    std::vector<Seen> seen;

private:
    std::set<int> pages_;
    bool requested_ = false;
};

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
        AppState::PrintCancelled = -1; // a run must set it
    }

    // A batch as the import leaves it: its file header and flag row.
    void batch(int h1)
    {
        SlipRows::insert(*db, QStringLiteral("TBL_RD_H1"), {{"INDEXNOH1", h1}, {"OLDATE", "261201"}});
        SlipRows::insert(*db, QStringLiteral("TBL_FLG_DATA"), {{"INDEXNOH1", h1}, {"IMPORT_DATE", "261201"}});
    }

    // Prints the rows of `sql` as slips (true) or lists (false).
    int print(const QString &sql, bool slips, PrintProgress *progress = nullptr)
    {
        PrintRecordset rows(*db, sql);
        DirectPrintWindow window(*db, dialogs, renderer, progress);
        return window.print(rows, slips);
    }

    QString text(const QString &sql) { return db->scalar(sql).toString(); }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    RecordingFormRenderer renderer;
};
