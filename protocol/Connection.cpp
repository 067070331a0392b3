#include "protocol/WirelessProtocol.h"
#include "serial/ComPort.h"

namespace trimora {

void TVelnWirelessProtocol::SetPort(TComPort* Value) {
    // Having no port is not a state an owner can ask for.
    if (Value == nullptr) return;
    FPort = Value;
    // The port may belong to someone else: when it goes, Notification forgets it.
    FPort->FreeNotification(this);
    FPort->OnError = [this](TObject* Sender, TComErrors Errors) { PortError(Sender, Errors); };
}

void TVelnWirelessProtocol::PortAfterOpen(TObject* /*Sender*/) {
    FConnected = true;
    RaiseEvent(OnConnection);
}

void TVelnWirelessProtocol::PortError(TObject* /*Sender*/, TComErrors Errors) {
    AddTraceLine("<->Com Error *** ");
    if (Errors.Contains(ceBreak)) RaiseEvent(OnUsbDisconnect);
}

}  // namespace trimora
