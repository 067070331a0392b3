#include "runtime/Clock.h"

#include <time.h>

#include <chrono>
#include <thread>

#include "runtime/SystemClock.h"

namespace trimora {

namespace {
std::uint64_t Milliseconds(clockid_t Clock) {
    timespec ts{};
    clock_gettime(Clock, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}
}  // namespace

std::uint64_t SystemTickCount64() {
    return Milliseconds(CLOCK_MONOTONIC);
}

std::uint64_t SystemTickCountCoarse() {
    return Milliseconds(CLOCK_MONOTONIC_COARSE);
}

void Sleep(std::uint32_t Milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

}  // namespace trimora
