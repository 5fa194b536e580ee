#pragma once
// Importing one order file: the records go into the staging tables with
// new management numbers, the operator confirms what the file holds, and
// the staging rows are copied into the working tables as new batches, all
// in one transaction.

#include <QList>
#include <QString>
#include <QStringList>

class Database;
class Dialogs;
class ImportProgress;

// One file header of the imported file and what followed it.
struct OrderBatchInfo {
    qint32 indexNoH1 = 0;
    QString processingDate;   // OLOPDT
    QString processingTime;   // OLOPTM
    QString slipCount;        // OLPAGE as the file states it
    QString lineCount;        // OLLINE as the file states it
    qint64 slips = 0;         // slip headers that followed it
    qint64 lines = 0;         // slip lines that followed it
};

struct OrderImportSummary {
    qint64 fileLines = 0;
    qint64 skippedLines = 0;   // lines of no known record kind
    qint64 slips = 0;
    qint64 lines = 0;
    qint64 slipsWithoutHeader = 0;   // batch 0: slip headers before the first file header
    qint64 linesWithoutHeader = 0;   // batch 0: slip lines before the first file header
    qint64 linesWithoutSlip = 0;     // slip 0: slip lines before the first slip header
    QList<OrderBatchInfo> batches;
    QString digest;                  // of the file's bytes, hex
};

class OrderImport {
public:
    // Result codes of run().
    static constexpr int Done = 0;
    static constexpr int NothingDone = 1;

    OrderImport(Database &db, Dialogs &dialogs, ImportProgress &progress);

    // Imports the order file at `path`: 0 when imported; 1 when the last
    // line has the wrong length, the file holds no file header, the operator
    // declined or stopped; otherwise the number of the error that ended it
    // (its description has been shown and the database is as before).
    int run(const QString &path);

    // What the last run read (also when it was declined).
    const OrderImportSummary &summary() const { return summary_; }
    // What the last run imported, one line each: the batches made with
    // their slip and line counts, records that went to batch 0 (before the
    // first file header) or slip 0, and lines skipped. The batch mode prints
    // them; the import window shows them.
    QStringList summaryLines() const;

    // The description of the error that ended the last run, if any.
    const QString &errorDescription() const { return errorDescription_; }
    // Whether run shows the error that ended it (on by default); a caller
    // that reports errorDescription itself turns it off.
    void setShowsErrors(bool shows) { showsErrors_ = shows; }

    static QString label();   // "発注データをインポートしています。"

    // Lines of the file whose staging rows are copied into the working tables
    // (or emptied) per statement. Between
    // two ranges the window repaints and the stop is looked at; a range of
    // slip lines takes a few tens of milliseconds.
    static constexpr qint64 DefaultCopyRange = 10000;
    void setCopyRange(qint64 rows) { copyRange_ = rows > 0 ? rows : DefaultCopyRange; }

private:
    int importFile(const QString &path);
    QString confirmationText();
    QStringList countWarnings() const;
    QStringList earlierImports();
    class PageSync;
    bool copyToWorkingTables(PageSync &pageSync);
    // Runs `statement` (an insert ... select or a delete on `staging`) range
    // by range; false when the operator stopped it (with `stoppable`).
    bool inRanges(const QString &statement, const QString &staging, PageSync &pageSync, bool stoppable = true);

    Database &db_;
    Dialogs &dialogs_;
    ImportProgress &progress_;
    OrderImportSummary summary_;
    QString errorDescription_;
    bool showsErrors_ = true;
    qint64 copyRange_ = DefaultCopyRange;
};
