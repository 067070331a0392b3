#pragma once

#include <cstdint>

namespace trimora {

// On the GUI thread: waits N milliseconds while serving hand-overs (received frames, timer
// ticks), so their handlers run inside the wait. Pending messages are processed at least once,
// also for N of 0 or less.
void PumpDelay(std::int32_t N);

}  // namespace trimora
