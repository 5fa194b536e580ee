#pragma once
// The tag export: writes one tag data file from a query whose columns are
// read by position, then starts the label program on it.
//
// Query columns: 0 group (3), 1 article number, 2 item number, 3 processing
// month, 4 "\" + selling price, 5 trading partner code, 6 colour name,
// 7 size name, 8 group-item-SKU, 9 "2" + group + item + SKU, 10 ONSYKB,
// 11 "1" + last 6 of the price, 12 group name, 13 division name, 14 number
// of tags, 15 INDEXNOBD; PB queries add 16 item code, 17 size text,
// 18 material text, 19 country-of-origin text.
//
// Records are code page 932, CR LF, every text field in double quotes (a
// quote inside is written as it is: the label program's layouts have always
// read them that way), the count bare. The short form has 16 fields; the
// long form (PB tags, and every request run) 45.

#include "tags/TagSettings.h"

#include <QString>
#include <QStringList>

class Database;

class clsHudaPrint {
public:
    enum Result { Written = 0, NoRows = 1, ProgramMissing = 2 };

    clsHudaPrint(Database &db, TagSettings settings) : db_(db), settings_(std::move(settings)) {}

    void setSQL(const QString &hikiSQL) { sql_ = hikiSQL; }
    const QString &SQL() const { return sql_; }

    // The INDEXNOBD of every record written, in file order. Emptied at the
    // start of each run and by any failure other than a label program that
    // cannot be started.
    const QStringList &OKMeisai() const { return okMeisai_; }

    // Writes the file `EX_File_Name`.CSV: with `JyuNo` 0 into
    // AppFolder/TAG_CSV (created when missing), then starts the label program
    // without waiting; with a request number into
    // Write_Path/InPrintData/<JyuNo>, long form, counts with 3 % spare tags,
    // no label program. `PBDayo` selects the long form. Returns Result or
    // the number of the error that stopped the run. The file is written
    // under a working name and takes its own name only when complete.
    int Nehuda_EX(const QString &EX_File_Name, bool PBDayo, qint32 JyuNo);

    // The data file the last run wrote (or would have written).
    const QString &dataFile() const { return dataFile_; }
    // What stopped the last failed run.
    const QString &lastError() const { return lastError_; }

    // The label program's arguments for a base name: the data file and the
    // layout of the same base name, print, exit.
    static QStringList labelArguments(const QString &appFolder, const QString &baseName);

private:
    int run(const QString &name, bool longForm, qint32 request);

    Database &db_;
    TagSettings settings_;
    QString sql_;
    QStringList okMeisai_;
    QString dataFile_;
    QString lastError_;
};

// Piece `n` (1 to 16) of `text` cut into 24-byte pieces of its code page 932
// bytes; a double-byte character on a boundary is cut as bytes. An `n`
// outside 1..16 is error 9.
QString GetInjiLine(const QString &text, int n);

// The price with tax of a price text "\1900": a backslash and
// p + Fix(p x rate / 100). Error 13 for a price that is not a number, 6 when
// p x rate or the sum leaves 32 bits.
QString PriceWithTax(const QString &priceText, qint32 rate);
