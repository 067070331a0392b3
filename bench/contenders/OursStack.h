#pragma once

#include <memory>
#include <string>

#include "protocol/WirelessProtocol.h"

namespace trimora::bench {

// The program's stack on a port, made the way the program makes it: the protocol component
// with PortDef set tries the port (TryPort creates the TComPort with the dongle's line settings,
// sets up the framer, opens the port and probes the dongle).
class OursStack {
  public:
    explicit OursStack(const std::string& PortName);
    ~OursStack();

    TVelnWirelessProtocol& Protocol() { return *FProtocol; }

  private:
    std::unique_ptr<TVelnWirelessProtocol> FProtocol;
};

}  // namespace trimora::bench
