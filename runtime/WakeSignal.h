#pragma once

#include <cstdint>

namespace trimora {

// A signal one thread raises to wake another from its wait (on a device, or the GUI thread's idle
// loop). It stays raised until cleared. On POSIX it is an eventfd the waiter polls; on Windows a
// manual-reset event object the waiter waits for.
class TWakeSignal {
  public:
    TWakeSignal();
    ~TWakeSignal();
    TWakeSignal(const TWakeSignal&) = delete;
    TWakeSignal& operator=(const TWakeSignal&) = delete;

    void Raise();
    void Clear();
    bool Raised() const;
    // The descriptor (POSIX) or the event's HANDLE (Windows).
    std::intptr_t Handle() const { return FHandle; }

  private:
    std::intptr_t FHandle;
};

}  // namespace trimora
