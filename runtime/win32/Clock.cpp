#include "runtime/Clock.h"

#include <windows.h>

#include "runtime/SystemClock.h"

namespace trimora {

// The system's tick counter: as coarse as its timer, and its low 32 bits are GetTickCount's.
std::uint64_t SystemTickCount64() {
    return ::GetTickCount64();
}

std::uint64_t SystemTickCountCoarse() {
    return ::GetTickCount64();
}

void Sleep(std::uint32_t Milliseconds) {
    ::Sleep(Milliseconds);
}

}  // namespace trimora
