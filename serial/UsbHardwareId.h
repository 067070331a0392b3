#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trimora {

struct TUsbIds {
    std::string VendorId, ProductId;  // four lower-case hex digits each, as sysfs gives them
    bool operator==(const TUsbIds&) const = default;
};

// The USB vendor and product named in a Windows hardware or instance id:
// "USB\VID_0403&PID_6001&REV_0600", "FTDIBUS\COMPORT&VID_0403&PID_6001",
// "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000". Nothing when the id names no USB device
// ("ACPI\PNP0501") or names it in a form that is not four hex digits each.
std::optional<TUsbIds> UsbIdsOfHardwareId(std::string_view HardwareId);

}  // namespace trimora
