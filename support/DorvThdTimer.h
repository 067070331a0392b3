#pragma once

#include <cstdint>

#include "support/ThdTimer.h"

namespace trimora {

// A threaded timer carrying two time values for its user. The timer itself never changes them.
class TDorvThreadTimer : public TThreadedTimer {
  public:
    explicit TDorvThreadTimer(TComponent* AOwner);

    std::uint32_t ElapsedTime() const { return FElapsedTime; }
    virtual void SetElapsedTime(std::uint32_t Value);
    std::uint32_t LapTime() const { return FLapTime; }
    virtual void SetLapTime(std::uint32_t Value);
    // Sets both times to 0.
    virtual void ResetTimes();

  private:
    std::uint32_t FElapsedTime = 0;
    std::uint32_t FLapTime = 0;
};

}  // namespace trimora
