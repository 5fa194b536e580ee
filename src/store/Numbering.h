#pragma once
// Numbering: the series in MST_IDX.

#include "store/Database.h"

#include <QString>

// The next number of a series in MST_IDX: returns IVal and stores IVal + 1,
// or IStart once IEnd is reached. Nests inside a caller's transaction.
qint32 GetNextIndex(Database &db, const QString &key);
