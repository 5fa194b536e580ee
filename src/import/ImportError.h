#pragma once
// The error that ended an import, as a number and a description: one
// translation for every import.

#include <QString>

struct ImportFailure {
    int number = 0;
    QString description;
};

// Called inside a catch block: the exception being handled as an error
// number and description (DbError as it is, 7 for memory, 51 otherwise).
ImportFailure currentImportFailure();
