#include "serial/DeviceInput.h"

#include "runtime/WakeSignal.h"
#include "serial/ComErrorFlags.h"

namespace trimora {

std::size_t TakeInput(TInputQueue& Input, TWakeSignal& Room, char* Out, std::size_t Count) {
    bool wasFull = false;
    const std::size_t taken = Input.Pop(Out, Count, &wasFull);
    if (wasFull && taken > 0) Room.Raise();
    return taken;
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
