#include "serial/DeviceInput.h"

#include <algorithm>
#include <cstring>

#include "runtime/WakeSignal.h"
#include "serial/ComErrorFlags.h"

namespace trimora {

std::size_t TakeInput(TInputQueue& Input, TWakeSignal& Room, char* Out, std::size_t Count) {
    bool wasFull = false;
    const std::size_t taken = Input.Pop(Out, Count, &wasFull);
    if (wasFull && taken > 0) Room.Raise();
    return taken;
}

std::size_t ReadRoom(const TInputQueue& Input, std::size_t ReadSize) {
    const TInputQueue::TLevel level = Input.Level();
    return std::min(level.Capacity > level.Count ? level.Capacity - level.Count : 0, ReadSize);
}

TInputFill::TInputFill(TInputQueue& Input, bool DiscardNull, char EventChar)
    : FInput(Input), FDiscardNull(DiscardNull), FEventChar(EventChar), FStart(Input.Level()) {}

void TInputFill::Take(char* Data, std::size_t Count) {
    if (FDiscardNull)
        Count = static_cast<std::size_t>(std::remove(Data, Data + Count, '\0') - Data);
    if (Count == 0) return;
    FEvents.Include(evRxChar);
    if (std::memchr(Data, FEventChar, Count) != nullptr) FEvents.Include(evRxFlag);
    const std::size_t stored = FInput.Push(Data, Count);
    if (stored < Count) FEvents.Include(evError);
    FAdded += stored;
}

TComEvents TInputFill::Events() const {
    TComEvents events = FEvents;
    // The queue can have crossed 80 % only if its upper bound did; the true count decides.
    const auto full80 = [&](std::size_t c) { return c * 5 >= FStart.Capacity * 4; };
    if (!full80(FStart.Count) && full80(FStart.Count + FAdded) && full80(FInput.Count()))
        events.Include(evRx80Full);
    return events;
}

TDeviceFindings FindingsOf(TInputQueue& Input, TComEvents Events, bool Alive, TComEvents Mask) {
    if (!Alive) {
        Input.AddErrors(CE_IOE);
        Events.Include(evError);
    }
    TDeviceFindings found;
    found.Events = Events & Mask;
    found.Ended = !Alive;
    return found;
}

}  // namespace trimora
