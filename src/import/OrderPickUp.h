#pragma once
// Order files that arrive in the read folder are picked up: every file
// there whose bytes were never imported, in name order, each imported with
// the usual confirmation and then put away in Read_Path/取込済 (or the
// trash), so the folder holds only what is still to come. A file whose
// import fails or is declined stays where it is.

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Database;

// The files of a folder (not of its subfolders) that no batch was imported
// from, compared by the digest of their bytes. The digests are kept per
// path, size and time, so that looking again after a change in the folder
// reads only the files that changed.
class NewOrderFiles {
public:
    // Every file of the folder, new or not, in name order (by code point,
    // the same on every desk whatever its locale); hidden files are left out.
    static QStringList inFolder(const QString &folder);

    // Full paths in name order; a file that cannot be read counts as new
    // (its import will say why it fails).
    QStringList find(Database &db, const QString &folder);

    // The digest an import records for the file's bytes; empty when the
    // file cannot be read.
    QString digestOf(const QString &path);

private:
    struct Seen {
        qint64 size = -1;
        QDateTime modified;
        QString digest;
    };
    QHash<QString, Seen> seen_;
};

// Whether a batch was imported from bytes with this digest.
bool importedBefore(Database &db, const QString &digest);

// The folder imported files are put away in, inside the read folder.
QString doneFolderName();   // "取込済"

// Moves an imported file into `folder`/取込済 (made when missing), under
// its own name or, when that is taken, the name with " (2)", " (3)" ...
// before its suffix; or to the trash. The new path (or "ごみ箱") on
// success, empty when it could not be moved.
QString putAway(const QString &path, bool toTrash);

// One file of a pick-up and what became of it.
struct PickedUpFile {
    enum Outcome { Imported, ImportedBefore, NotImported, Failed };
    QString path;
    Outcome outcome = NotImported;
    int result = 0;       // the import's result
    QString batches;      // "管理No 5（伝票 2 枚、明細 3 行）", for an imported file
    QString movedTo;      // where it was put away; empty when it could not be moved
    QString error;        // the description of the error that ended the import

    // The line the batch mode prints and the main screen shows.
    QString line() const;
};

// Imports one order file: its result (0, 1 or an error number) and, for an
// error, the description when the import did not show it itself.
struct ImportAttempt {
    int result = 0;
    QString error;
};
using OrderImporter = std::function<ImportAttempt(const QString &path)>;

// Picks up the files of `folder` in name order: a file imported before is
// passed over (and left where it is), every other one imported. The digest
// is looked at right before each import, so a file holding the same bytes
// as one imported earlier in the same run is not imported twice. `each`
// hears of every file as soon as it is done.
// The work runs on the application connection, taken afresh after every
// import, because the import window opens the connection again.
QList<PickedUpFile> pickUpOrderFiles(const QString &folder, bool toTrash,
                                     const OrderImporter &import,
                                     const std::function<void(const PickedUpFile &)> &each = {});
