#include "runtime/Clock.h"

#include <windows.h>

namespace trimora {

std::uint64_t GetTickCount64() {
    return ::GetTickCount64();
}

std::uint32_t GetTickCount() {
    return ::GetTickCount();
}

void Sleep(std::uint32_t Milliseconds) {
    ::Sleep(Milliseconds);
}

}  // namespace trimora
