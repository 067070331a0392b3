#include <gtest/gtest.h>

#include <cstdint>

#include "runtime/Clock.h"

using namespace trimora;

// The cheap tick counter and the precise one are the same clock: the cheap one may lag by the
// system timer's period, never run ahead. The bound leaves room for a thread preempted between
// the two reads; another clock (wall time, another start) is off by far more.
TEST(Clock, TickCounterFollowsThePreciseClock) {
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t tick = GetTickCount();
        const std::uint32_t precise = static_cast<std::uint32_t>(GetTickCount64());
        const std::uint32_t lag = precise - tick;  // modulo 2^32, as the counter wraps
        ASSERT_LT(lag, 1000u) << "tick " << tick << ", precise " << precise;
    }
}
