#include "runtime/TEvent.h"

#include <chrono>

namespace trimora {

void TEvent::SetEvent() {
    {
        std::lock_guard lock(FMutex);
        FSignalled = true;
    }
    if (FManual)
        FCond.notify_all();
    else
        FCond.notify_one();
}

void TEvent::ResetEvent() {
    std::lock_guard lock(FMutex);
    FSignalled = false;
}

bool TEvent::WaitFor(std::uint32_t Milliseconds) {
    std::unique_lock lock(FMutex);
    auto ready = [&] { return FSignalled; };
    bool signalled;
    if (Milliseconds == INFINITE)
        signalled = (FCond.wait(lock, ready), true);
    else
        signalled = FCond.wait_for(lock, std::chrono::milliseconds(Milliseconds), ready);
    if (signalled && !FManual) FSignalled = false;
    return signalled;
}

}  // namespace trimora
