#pragma once

#include <string>

namespace trimora {

// A port's name without the device prefix "\\.\" ("\\.\COM3" and "COM3" are COM3).
std::string BarePortName(const std::string& PortName);

// A named pipe's name (\\.\pipe\...), such as the demo's dongle, rather than a COM port's.
bool IsPipeName(const std::string& PortName);

// The DOS device a name stands for (\Device\Serial0 for COM1); empty when there is none, as for
// an adapter that was pulled out. A pipe's name stands for itself while the pipe exists.
std::string PortDeviceTarget(const std::string& PortName);

}  // namespace trimora
