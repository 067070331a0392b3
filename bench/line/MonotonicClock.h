#pragma once

#include <time.h>

#include <cstdint>

namespace trimora::bench {

// CLOCK_MONOTONIC in ns: the clock of the emulator's write times and of every contender's
// decode times (Python's time.monotonic_ns() reads the same clock).
inline std::int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace trimora::bench
