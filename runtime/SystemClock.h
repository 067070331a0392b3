#pragma once

#include <cstdint>

namespace trimora {

// The operating system's milliseconds since it started, in 64 bits: precise (on Windows as coarse
// as the system timer), and as the system timer last advanced it (cheaper to read, a few ms
// behind). The program reads them through GetTickCount and GetTickCount64 only.
std::uint64_t SystemTickCount64();
std::uint64_t SystemTickCountCoarse();

}  // namespace trimora
