#include "bench/contenders/OursStack.h"

#include <stdexcept>

#include "serial/ComPort.h"

namespace trimora::bench {

OursStack::OursStack(const std::string& PortName)
    : FProtocol(std::make_unique<TVelnWirelessProtocol>(nullptr)) {
    FProtocol->SetPortDef(PortName);
    // A dongle that does not answer leaves the port open and the framer attached.
    FProtocol->TryPort();
    if (FProtocol->Port() == nullptr || !FProtocol->Port()->Connected())
        throw std::runtime_error("cannot open " + PortName);
}

OursStack::~OursStack() {
    FProtocol->DisableResistanceTimer();
    if (FProtocol->Port() != nullptr) FProtocol->Port()->ClosePort();
}

}  // namespace trimora::bench
