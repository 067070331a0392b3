#include "serial/PortDetails.h"

#include <algorithm>
#include <cctype>

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
    details.Device = PortDeviceTarget(PortName);
    // Whether it may be opened is known only by opening it, which a description must not do.
    details.Access = details.Device.empty() ? TPortAccess::paMissing : TPortAccess::paAllowed;
    return details;
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
