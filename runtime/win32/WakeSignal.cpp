#include "runtime/WakeSignal.h"

#include <windows.h>

#include <system_error>

namespace trimora {

namespace {

HANDLE Event(std::intptr_t Handle) {
    return reinterpret_cast<HANDLE>(Handle);
}

}  // namespace

TWakeSignal::TWakeSignal()
    // Manual reset: raised stays raised for every waiter until someone clears it, as on POSIX.
    : FHandle(reinterpret_cast<std::intptr_t>(CreateEventA(nullptr, TRUE, FALSE, nullptr))) {
    if (FHandle == 0)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CreateEvent");
}

TWakeSignal::~TWakeSignal() {
    CloseHandle(Event(FHandle));
}

void TWakeSignal::Raise() {
    SetEvent(Event(FHandle));
}

void TWakeSignal::Clear() {
    ResetEvent(Event(FHandle));
}

bool TWakeSignal::Raised() const {
    return WaitForSingleObject(Event(FHandle), 0) == WAIT_OBJECT_0;
}

}  // namespace trimora
