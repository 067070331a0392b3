#pragma once

namespace trimora {

// A signal one thread raises to wake another from its wait on the device. It stays raised until
// cleared. On POSIX it is an eventfd that the waiter polls beside the device.
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
