#pragma once

#include <cstdint>

namespace trimora::sim {

// CLOCK_MONOTONIC in nanoseconds: the time base of every timestamp the emulator reports, so a
// benchmark can subtract its own readings of the same clock.
std::uint64_t MonotonicNs();

constexpr std::uint64_t kNsPerMs = 1000000;

}  // namespace trimora::sim
