#pragma once
// The chain's two master files: the PB tag master, merged into MST_PB by
// its natural key, and the delivery-destination master, which replaces
// MST_NOUADD whole. Each runs in one transaction; stopping or a failure
// leaves the master as it was.

#include <QString>

class Database;
class Dialogs;
class ImportProgress;

class PbMasterImport {
public:
    PbMasterImport(Database &db, Dialogs &dialogs, ImportProgress &progress);

    // 0 when merged, 1 when the operator stopped it, otherwise the number of
    // the error that ended it (shown with the title "エラー").
    int run(const QString &path);

    qint64 records() const { return records_; }
    // Rows left out because a later row of the same file has the same key.
    qint64 droppedDuplicates() const { return dropped_; }
    const QString &errorDescription() const { return errorDescription_; }
    // Whether run shows the error that ended it (on by default); a caller
    // that reports errorDescription itself turns it off.
    void setShowsErrors(bool shows) { showsErrors_ = shows; }

    static QString label();   // "PBタグマスタをインポートしています。"

private:
    int merge(const QString &path);

    Database &db_;
    Dialogs &dialogs_;
    ImportProgress &progress_;
    qint64 records_ = 0;
    qint64 dropped_ = 0;
    QString errorDescription_;
    bool showsErrors_ = true;
};

class DestinationMasterImport {
public:
    DestinationMasterImport(Database &db, ImportProgress &progress);

    // 0 when the master was replaced, 1 when the operator stopped it. A
    // failure is thrown as DbError for the caller to report; the old master
    // stays.
    int run(const QString &path);

    qint64 records() const { return records_; }
    // Rows left out because a later row has the same customer and destination code.
    qint64 droppedDuplicates() const { return dropped_; }

    static QString label();   // "納品先マスタをインポートしています。"

private:
    Database &db_;
    ImportProgress &progress_;
    qint64 records_ = 0;
    qint64 dropped_ = 0;
};
