#include "serial/posix/PortPath.h"

#include <cctype>

namespace trimora {

namespace {
// The number n of a name "COMn" (any case, n >= 1), or 0.
unsigned long ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 12) return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    unsigned long n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        n = n * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    return n;
}
}  // namespace

std::string DevicePathForPort(const std::string& PortName) {
    if (!PortName.empty() && PortName[0] == '/') return PortName;
    if (unsigned long n = ComNumber(PortName); n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    return "/dev/" + PortName;
}

}  // namespace trimora
