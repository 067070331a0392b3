#include "serial/PortDetails.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "serial/UsbHardwareId.h"
#include "serial/win32/PnpPort.h"
#include "serial/win32/PortAccessProbe.h"
#include "serial/win32/PortName.h"

namespace trimora {

namespace {
std::string Upper(std::string Text) {
    std::transform(Text.begin(), Text.end(), Text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return Text;
}
}  // namespace

TPortDetails DescribePort(const std::string& PortName, const TDeviceRoots& /*Roots*/) {
    TPortDetails details;
    details.Path = PortName;
    details.Device = PortDevice(PortName);
    details.Access = ProbePortAccess(PortName, details.Reason);
    if (const std::optional<TPnpPort> pnp = FindPnpPort(PortName)) {
        details.Description = pnp->FriendlyName;
        details.HardwareId = pnp->HardwareId;
        details.Driver = pnp->Service;
        details.Manufacturer = pnp->Manufacturer;
        if (const std::optional<TUsbIds> usb = UsbIdsOfHardwareId(pnp->HardwareId)) {
            details.Usb = true;
            details.VendorId = usb->VendorId;
            details.ProductId = usb->ProductId;
        }
    }
    return details;
}

std::string PortDevice(const std::string& PortName, const TDeviceRoots& /*Roots*/) {
    return PortDeviceTarget(PortName);
}

std::string StablePortName(const std::string& PortName, const TDeviceRoots& /*Roots*/) {
    // A COM name stays with its adapter across replugs.
    return PortName;
}

bool SameDevice(const std::string& A, const std::string& B, const TDeviceRoots& /*Roots*/) {
    // Windows port names are not case-sensitive.
    return Upper(BarePortName(A)) == Upper(BarePortName(B));
}

}  // namespace trimora
