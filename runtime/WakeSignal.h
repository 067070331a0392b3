#pragma once

namespace trimora {

// A signal one thread raises to wake another from its wait (on a device, or the GUI thread's idle
// loop). It stays raised until cleared. On POSIX it is an eventfd the waiter polls.
class TWakeSignal {
  public:
    TWakeSignal();
    ~TWakeSignal();
    TWakeSignal(const TWakeSignal&) = delete;
    TWakeSignal& operator=(const TWakeSignal&) = delete;

    void Raise();
    void Clear();
    bool Raised() const;
    int Handle() const { return FFd; }

  private:
    int FFd;
};

}  // namespace trimora
