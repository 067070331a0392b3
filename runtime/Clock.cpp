#include "runtime/Clock.h"

#include "runtime/Application.h"
#include "runtime/SystemClock.h"

namespace trimora {

std::uint64_t GetTickCount64() {
    return SystemTickCount64() + Application::Instance().TickOffset();
}

std::uint32_t GetTickCount() {
    return static_cast<std::uint32_t>(SystemTickCountCoarse() +
                                      Application::Instance().TickOffset());
}

}  // namespace trimora
