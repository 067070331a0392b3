#pragma once

#include <memory>
#include <string>

#include "protocol/WirelessProtocol.h"
#include "serial/ComPort.h"

namespace trimora::bench {

// The program's stack on a port: the protocol component and the TComPort it talks through,
// with the protocol's line settings and its own framer wired to PacketReceived, open.
class OursStack {
  public:
    explicit OursStack(const std::string& PortName);
    ~OursStack();

    TVelnWirelessProtocol& Protocol() { return *FProtocol; }
    TComPort& Port() { return *FPort; }

  private:
    std::unique_ptr<TVelnWirelessProtocol> FProtocol;
    TComPort* FPort = nullptr;  // owned by the protocol
};

}  // namespace trimora::bench
