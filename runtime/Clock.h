#pragma once

#include <cstdint>

namespace trimora {

// Milliseconds since the system started, truncated to 32 bits: wraps after about 49.7 days. As
// the system timer last advanced it (its resolution, a few ms), like the tick counter of the
// platform this program came from: every received measure reads it, and the precise clock costs
// four times as much to read.
std::uint32_t GetTickCount();
// Milliseconds since the system started, in 64 bits, at most one timer period ahead of
// GetTickCount: precise on POSIX, but on Windows the system's own counter, as coarse as its
// timer. Waits that must never end early read TTickClock, precise everywhere.
std::uint64_t GetTickCount64();
// A plain sleep: nothing is served meanwhile.
void Sleep(std::uint32_t Milliseconds);

}  // namespace trimora
