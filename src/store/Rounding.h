#pragma once
// Rounding of money amounts.

#include <QString>

// Rounds `value` to `digits` decimals (negative: tens, hundreds...): mode 1
// rounds up from a tenth of a unit away from zero, mode 2 truncates, other
// modes round half away from zero. An arithmetic failure (a result beyond
// the range of double) gives 0 and, when `error` is given, sets it to
// "金額計算中にエラーを検出" for the caller to show; otherwise `error` is
// left as it is.
double RoundAmount(double value, int digits, int mode, QString *error = nullptr);
