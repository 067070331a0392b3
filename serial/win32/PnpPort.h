#pragma once

#include <optional>
#include <string>

namespace trimora {

// What Plug and Play says of the device behind a COM port. Each text is as the driver's
// installation wrote it (UTF-8 here), cut to a bounded length: a device names itself.
struct TPnpPort {
    std::string FriendlyName;  // "USB Serial Port (COM3)"
    std::string HardwareId;    // the first of its hardware ids
    std::string Manufacturer;  // the driver package's manufacturer
    std::string Service;       // the driver's service ("FTDIBUS", "usbser", "Serial")
};

// The present device of the Ports class whose device key's "PortName" is PortName (COM3 and
// \\.\COM3 alike, in any case); nothing when no such device is listed, as for a port that
// another device class provides or that wine maps to a Unix device.
std::optional<TPnpPort> FindPnpPort(const std::string& PortName);

}  // namespace trimora
