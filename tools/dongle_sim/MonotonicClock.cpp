#include "tools/dongle_sim/MonotonicClock.h"

#include <time.h>

namespace trimora::sim {

std::uint64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(ts.tv_nsec);
}

}  // namespace trimora::sim
