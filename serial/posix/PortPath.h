#pragma once

#include <string>

namespace trimora {

// Device path of a port name: COMn is /dev/ttyS{n-1}, a name starting with '/' is a path, any
// other name is looked up in /dev.
std::string DevicePathForPort(const std::string& PortName);

}  // namespace trimora
