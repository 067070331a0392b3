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

// What a look at the device found: a device that is gone adds an I/O error to its queue and an
// error event.
TDeviceFindings FindingsOf(TInputQueue& Input, TComEvents Events, bool Alive, TComEvents Mask);

}  // namespace trimora
