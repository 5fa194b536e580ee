#include "store/Clock.h"

#include <optional>

namespace Clock {
namespace {
std::optional<QDateTime> g_fixed;
}

QDateTime now()
{
    return g_fixed ? *g_fixed : QDateTime::currentDateTime();
}

QDate today()
{
    return now().date();
}

void setFixed(const QDateTime &when)
{
    g_fixed = when;
}

void reset()
{
    g_fixed.reset();
}

} // namespace Clock
