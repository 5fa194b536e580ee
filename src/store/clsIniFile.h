#pragma once
// One private-profile (INI) settings file: Conf.ini, Gyoum.ini, Conf.DAT.
//
// The files are the ones Windows writes with its private-profile services,
// in code page 932, and people edit them by hand; this class reads and
// writes them the way those services do, so a file moves between the old
// and the new program unchanged:
//  - "[name]" starts a section; "key=value" is a key line; a line whose
//    first visible character is ';' is a comment. Blanks and tabs around
//    section names, keys and values do not count.
//  - Section and key names are compared without regard to case. When a
//    section or a key appears twice, the first one is the one that counts.
//  - A value enclosed in a pair of matching quotes (' or ") reads without
//    them, as Windows reads it; values are written exactly as given.
//  - A missing file reads as all keys missing. Writing creates the file and
//    the section when needed.
//
// Every operation reads the file afresh, so several instances (one per
// user of a file) never see stale values. A write rewrites the whole file
// through a temporary file in the same folder that then replaces it, so
// the old file stays whole when the program dies mid-write; every line the
// write does not concern (other sections and keys, comments, blank lines,
// the file's own line ends) is written back byte for byte.

#include <QString>
#include <QStringList>
#include <QtGlobal>

class clsIniFile
{
public:
    clsIniFile() = default;

    // Names of all sections of FileName() in file order, each once;
    // `sections` is replaced. Returns their count (0 for a missing file).
    qint32 EmnumSection(QStringList &sections) const;

    // The key lines of the current Section() as "key=value" in file order
    // (comments and blank lines left out); `lines` is replaced. Returns
    // their count (0 when the file or the section is missing).
    qint32 EnumSectionString(QStringList &lines) const;

    // Full path of the file; empty after creation.
    QString FileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // The section the key operations work on; empty after creation.
    QString Section() const { return m_section; }
    void setSection(const QString &section) { m_section = section; }

    // Removes `key` (every line of it) from the current section. A missing
    // file, section or key is left as it is.
    void DeleteKeyName(const QString &key);

    // Removes the whole section named `section`; an empty argument means
    // the current Section(), and the argument is then set to that name so
    // the caller knows what was removed. Comment lines directly above the
    // next section's header belong to that section and stay.
    void DeleteSection(QString &section);

    // Writes key=value into the current section, adding the key at the end
    // of the section or the section at the end of the file when missing.
    // False when the file cannot be written (the folder is read-only or
    // missing), or when the key or value would break the line format (an
    // empty key, a key holding '=' or starting with '[' or ';', a line
    // break in either); the file is then unchanged.
    bool SetString(const QString &key, const QString &value);

    // The key's value in the current section; `defaultValue` when the key
    // is missing or its value is empty.
    QString GetString(const QString &key, const QString &defaultValue) const;

    // The key's value read as an integer the way Windows reads one: an
    // optional sign and the leading decimal digits ("3x" is 3), 0 for a
    // value that does not start with a number, `defaultValue` when the key
    // is missing or empty. Values beyond the 32-bit range stop at its ends.
    //
    // The old program handed the default to Windows as a 16-bit number, so
    // a default outside -32768..32767 came back cut to 16 bits. Every
    // default in use is a small month count, so the default is taken whole
    // here: identical for every real caller, and no silent surprise for a
    // future one.
    qint32 GetInteger(const QString &key, qint32 defaultValue) const;

private:
    QString m_fileName;
    QString m_section;
};
