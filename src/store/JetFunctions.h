#pragma once
// Functions that statements written for the old engine expect, registered on
// every connection:
//   CLNG(x)   x as a 32-bit integer, halves rounded to even; error 13 for a
//             text that is not a number, 94 for Null, 6 beyond 32 bits
//   FIX(x)    x with its fraction dropped toward zero; Null stays Null
//   CSTR(x)   x as text; 94 for Null
//   MID(s, start[, length])  1-based substring; Null stays Null
//   JCAT(a, b, ...)  concatenation that treats Null as empty text, as the
//             old engine's '&' does (SQLite's '||' gives Null)

class SqliteDatabase;

void registerJetFunctions(SqliteDatabase &db);

#include <QString>
#include <optional>

namespace jet {
// The number a text means to the old engine ("  0150 " is 150, "1.5e2" is
// 150, "" and "12a" are not numbers).
std::optional<double> parseNumber(const QString &text);
// Round half to even, as the old engine's integer conversions do.
double roundHalfEven(double v);
} // namespace jet
