#include "support/DorvThdTimer.h"

namespace trimora {

TDorvThreadTimer::TDorvThreadTimer(TComponent* AOwner) : TThreadedTimer(AOwner) {}

void TDorvThreadTimer::SetElapsedTime(std::uint32_t Value) {
    if (Value != FElapsedTime) FElapsedTime = Value;
}

void TDorvThreadTimer::SetLapTime(std::uint32_t Value) {
    if (Value != FLapTime) FLapTime = Value;
}

void TDorvThreadTimer::ResetTimes() {
    SetElapsedTime(0);
    SetLapTime(0);
}

}  // namespace trimora
