#pragma once

#include <chrono>
#include <functional>

#include "runtime/Application.h"

namespace trimora::test {

// Pumps the GUI thread (this one) until Done() or the timeout, generous for a loaded machine;
// true if Done().
inline bool PumpUntil(const std::function<bool()>& Done,
                      std::chrono::milliseconds Timeout = std::chrono::seconds(5)) {
    return Application::Instance().PumpUntil(Done, Timeout);
}

// Pumps for the whole of Time, for checks that something does not happen.
inline void PumpFor(std::chrono::milliseconds Time) {
    Application::Instance().PumpFor(Time);
}

}  // namespace trimora::test
