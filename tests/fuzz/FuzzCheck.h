#pragma once
// A broken promise of a reader stops the fuzzer like a crash does, so that
// the input is kept and can become a regression case.

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzzBroken(const char *what, const char *file, int line, const QString &detail)
{
    std::fprintf(stderr, "promise broken: %s (%s:%d)\n", what, file, line);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().constData());
    std::abort();
}

#define FUZZ_CHECK(cond) \
    do { \
        if (!(cond)) \
            fuzzBroken(#cond, __FILE__, __LINE__, QString()); \
    } while (0)

// With a detail (a QString) printed when the check fails.
#define FUZZ_CHECK_MSG(cond, detail) \
    do { \
        if (!(cond)) \
            fuzzBroken(#cond, __FILE__, __LINE__, (detail)); \
    } while (0)

inline QString fuzzHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}
