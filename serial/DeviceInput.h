#pragma once

#include <cstddef>

#include "serial/InputQueue.h"
#include "serial/SerialDevice.h"

namespace trimora {

class TWakeSignal;

// The device's received bytes as both platforms keep them: the event thread fills the input
// queue and stops reading the device while it is full; the GUI thread reads it.

// Takes received bytes; a full queue that gets room wakes the event thread through Room.
std::size_t TakeInput(TInputQueue& Input, TWakeSignal& Room, char* Out, std::size_t Count);

// How much the next read of the device may ask for: no more than the queue has room for (0 when
// it is full), so that what stays in the driver is held back by flow control instead of being
// dropped; at most ReadSize.
std::size_t ReadRoom(const TInputQueue& Input, std::size_t ReadSize);

// One pass of the event thread moving what the device holds into the input queue, and the
// events that makes. Only this thread adds to the queue; a reader may take bytes meanwhile.
class TInputFill {
  public:
    TInputFill(TInputQueue& Input, bool DiscardNull, char EventChar);

    // Bytes a read put in Data (null bytes are dropped in place when DiscardNull).
    void Take(char* Data, std::size_t Count);
    // evRxChar and evRxFlag for what came, evError when the queue dropped some of it, and
    // evRx80Full when this pass took the queue past 80 % of its capacity.
    TComEvents Events() const;

  private:
    TInputQueue& FInput;
    const bool FDiscardNull;
    const char FEventChar;
    const TInputQueue::TLevel FStart;
    std::size_t FAdded = 0;  // what this pass stored: start + added bounds the count from above
    TComEvents FEvents;
};

// What a look at the device found: a device that is gone adds an I/O error to its queue and an
// error event.
TDeviceFindings FindingsOf(TInputQueue& Input, TComEvents Events, bool Alive, TComEvents Mask);

}  // namespace trimora
