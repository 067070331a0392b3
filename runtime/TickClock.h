#pragma once

#include <chrono>
#include <cstdint>

#include "runtime/Application.h"

namespace trimora {

// The clock every wait and time-out of the program reads: the system's steady clock, precise,
// moved by the tick counter's offset, so that a test can put it where a bench that has run for
// weeks has it (on POSIX GetTickCount64 reads the same in whole milliseconds).
struct TTickClock {
    using duration = std::chrono::steady_clock::duration;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<TTickClock>;
    static constexpr bool is_steady = true;
    static time_point now() noexcept {
        return time_point(std::chrono::steady_clock::now().time_since_epoch() +
                          std::chrono::milliseconds(Application::Instance().TickOffset()));
    }
};

}  // namespace trimora
