#pragma once

#include <functional>

#include "runtime/TObject.h"

namespace trimora {

class TCustomComPort;

// A receiver registered with a port. The port does not own it; each hook is optional and is
// called on the thread that serves the port's events: the GUI thread, or the port's event
// thread under smNone (docs/threads.md).
class TComLink : public TObject {
  public:
    // A block of received bytes: (port, bytes, count).
    std::function<void(TCustomComPort* Sender, const char* Buffer, int Count)> RxDataHook;
    // Bytes are (true) or are no longer (false) waiting in the port's input queue.
    std::function<void(TCustomComPort* Sender, bool Value)> RxNotifyHook;
    // A write has been started.
    std::function<void(TCustomComPort* Sender, bool Value)> TxNotifyHook;
    // The port has been opened (true) or closed (false).
    std::function<void(TCustomComPort* Sender, bool Value)> ConnectNotifyHook;
    // State of a modem line, on open and close (never a change while open).
    std::function<void(TCustomComPort* Sender, bool OnOff)> CTSChangeHook;
    std::function<void(TCustomComPort* Sender, bool OnOff)> DSRChangeHook;
    std::function<void(TCustomComPort* Sender, bool OnOff)> RLSDChangeHook;
    // The event character was received.
    std::function<void(TCustomComPort* Sender)> RxFlagHook;
};

}  // namespace trimora
