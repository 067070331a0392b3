#pragma once

#include <cstdint>

namespace trimora {

// Milliseconds since an arbitrary start, truncated to 32 bits: wraps after about 49.7 days.
std::uint32_t GetTickCount();
// The same clock in 64 bits, for waits that must never end early.
std::uint64_t GetTickCount64();
// A plain sleep: nothing is served meanwhile.
void Sleep(std::uint32_t Milliseconds);

}  // namespace trimora
