#pragma once

#include <string>
#include <vector>

#include "protocol/PortSearchOrder.h"
#include "serial/PortDetails.h"

namespace trimora {

// What --list-ports prints: a block for each port the dongle search would try, in that order
// (Ports, from PortSearchOrder), saying what the port is and whether this user may open it.
std::string PortListingText(const TFirstPort& First, const std::vector<std::string>& Ports,
                            const TDeviceRoots& Roots = {});

}  // namespace trimora
