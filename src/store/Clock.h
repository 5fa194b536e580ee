#pragma once
// "Today" and "now" for the whole program. Nothing else reads the system
// time, so tests can fix the date that stamps, file names and retention
// periods are computed from.

#include <QDate>
#include <QDateTime>

namespace Clock {

QDateTime now();
QDate today();

// Fixes the clock at `when` (tests, and the batch option --now).
void setFixed(const QDateTime &when);
// Back to the system time.
void reset();

} // namespace Clock
