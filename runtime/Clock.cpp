#include "runtime/Clock.h"

#include <time.h>

#include <chrono>
#include <thread>

namespace trimora {

std::uint64_t GetTickCount64() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

std::uint32_t GetTickCount() {
    return static_cast<std::uint32_t>(GetTickCount64());
}

void Sleep(std::uint32_t Milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

}  // namespace trimora
