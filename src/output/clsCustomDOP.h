#pragma once
// The custom export engine. An installation describes an export in a plain
// text definition file instead of in the program:
//
//   line 1   text qualifier around every text field ("Null"/"null": none;
//            empty: the double quote)
//   line 2   field separator (empty: the comma)
//   line 3   output file name without folder (empty: TOBARI_OUTPUT)
//   line 4-  one SELECT statement; "/[0]/" to "/[9]/" stand for the
//            caller's ten values
//
// The engine runs the statement, writes every row as one delimited line in
// code page 932 ending CR LF into a folder, and tells the operator when it
// is done. The definition can only read, and only so much: the statement
// runs as a read-only bounded query (store/BoundedQuery.h) within the
// limits of Conf.DAT [Export], rows stream to the file, and the file appears
// complete or not at all. The output file name must be fit for both
// systems (store/SafeName.h); one that is not is refused, never changed.

#include "store/BoundedQuery.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

class Database;
class Dialogs;

// The export limits of Conf.DAT [Export] MaxRows, MaxSeconds and
// MaxValueBytes; a missing or non-positive value gives its default.
QueryLimits ExportLimits();

class clsCustomDOP {
public:
    static constexpr int ParameterCount = 10;

    // Results of eXport; any other value is the number of the error that
    // stopped it (lastErrorDescription() says what it was).
    static constexpr qint32 Written = 0;
    static constexpr qint32 NoRows = -1;
    static constexpr qint32 NoFolder = 1;

    // Reads the definition at `path`: 0 when read, 1 when no file is there
    // (nothing read), 75 when it is there but cannot be read. Everything
    // read before is forgotten first.
    int setFile(const QString &path);

    // The output folder; when empty, eXport asks the operator for one.
    QString Distination() const { return destination_; }
    void setDistination(const QString &folder) { destination_ = folder; }

    // Runs the definition with up to ten values (missing ones are empty
    // text) and writes the file. The completion message goes through
    // `dialogs`, as does the folder chooser.
    qint32 eXport(Database &connection, Dialogs &dialogs, const QStringList &parameters);

    const QString &definitionPath() const { return path_; }
    const QString &qualifier() const { return qualifier_; }
    const QString &separator() const { return separator_; }
    const QString &outputFileName() const { return fileName_; }
    const QString &query() const { return query_; }

    // The statement after placeholder replacement.
    QString preparedQuery(const QStringList &parameters) const;
    // Distination and the output file name joined, doubled separators
    // reduced to one except the two that start a share ("//server/share").
    QString outputPath() const;

    const QString &lastErrorDescription() const { return lastError_; }

    // What the screens tell the operator when eXport stopped with error
    // `result`: the number, and what went wrong when it is known.
    QString failureText(qint32 result) const;

    static QString defaultQualifier() { return QStringLiteral("\""); }
    static QString defaultSeparator() { return QStringLiteral(","); }
    static QString defaultFileName() { return QStringLiteral("TOBARI_OUTPUT"); }

private:
    qint32 fail(int number, const QString &description);

    QString path_;
    QString qualifier_ = defaultQualifier();
    QString separator_ = defaultSeparator();
    QString query_;
    QString destination_;
    QString fileName_;
    QString lastError_;
};

// The placeholders of `sql` replaced by the values (value i for "/[i]/"),
// as plain text wherever they stand: "= /[0]/" compares with a number,
// "'/[0]/'" with a text, and a definition may use a placeholder as an
// optional fragment of the statement (the slip list passes a blank for all
// ten). The values are the program's own (a blank, a billing run number);
// whatever they make of the statement, it still has to be one reading
// statement, run on a read-only connection.
QString ReplaceExportPlaceholders(const QString &sql, const QStringList &values);
