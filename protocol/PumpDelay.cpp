#include "protocol/PumpDelay.h"

#include <algorithm>
#include <chrono>

#include "runtime/Application.h"
#include "runtime/Clock.h"

namespace trimora {

namespace {
// Upper bound of one idle block: toolkit input does not wake IdleWait, so keep it short.
constexpr std::uint64_t kIdleSliceMs = 5;
}  // namespace

void PumpDelay(std::int32_t N) {
    Application& app = Application::Instance();
    // 64-bit ticks: the wait never ends early when the 32-bit counter wraps or turns negative.
    const std::uint64_t t0 = GetTickCount64();
    for (;;) {
        app.ProcessMessages();
        const std::uint64_t elapsed = GetTickCount64() - t0;
        if (N <= 0 || elapsed >= static_cast<std::uint64_t>(N)) return;
        const std::uint64_t remaining = static_cast<std::uint64_t>(N) - elapsed;
        // Sleeps until a hand-over is queued or the slice ends, instead of spinning.
        app.IdleWait(std::chrono::milliseconds(std::min(remaining, kIdleSliceMs)));
    }
}

}  // namespace trimora
