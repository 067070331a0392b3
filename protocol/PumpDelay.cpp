#include "protocol/PumpDelay.h"

#include <chrono>

#include "runtime/Application.h"

namespace trimora {

void PumpDelay(std::int32_t N) {
    Application::Instance().PumpFor(std::chrono::milliseconds(N));
}

}  // namespace trimora
