#include "store/Rounding.h"

#include <cmath>

double RoundAmount(double value, int digits, int mode, QString *error)
{
    const double scale = std::pow(10.0, digits);
    const double addend = mode == 1 ? 0.9 : mode == 2 ? 0.0 : 0.5;
    double x = value * scale;
    // The scaled value is nudged by a tiny relative amount so that 123.05 x 10
    // (1230.4999...) rounds as the decimal 1230.5 it stands for.
    const double nudge = std::fabs(x) * 1e-12;
    x = value > 0 ? x + addend + nudge : x - addend - nudge;
    double result = std::trunc(x) / scale;
    if (result == 0)
        result = 0;   // no negative zero
    if (!std::isfinite(result)) {
        if (error)
            *error = QStringLiteral("金額計算中にエラーを検出");
        return 0;
    }
    return result;
}
