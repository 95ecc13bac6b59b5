#pragma once

#include <QtGlobal>

#include <ctime>

namespace bench {

// CLOCK_MONOTONIC: one clock for every process on the machine, so the
// harness and the programs it starts can subtract each other's moments.
inline qint64 monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace bench
