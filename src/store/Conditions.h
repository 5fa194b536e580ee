#pragma once
// Condition values: the key/value rows of MST_JYOUKEN.

#include "store/Database.h"

#include <QString>

// The value of `key` (empty text when the key has no row).
QString GetJoukenValue(Database &db, const QString &key);
// Stores `value` under `key`, adding the row when missing; an empty value
// is stored as empty text, never as Null.
void SetJoukenValue(Database &db, const QString &key, const QString &value);
