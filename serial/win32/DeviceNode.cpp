#include "serial/DeviceNode.h"

#include <functional>

#include "serial/win32/PortName.h"

namespace trimora {

// Windows knows ports by name: a port is there while its DOS device is. The identity is that of
// the device behind the name, so that another adapter given the same name is another device.
std::optional<TPortSighting> SightDeviceNode(const std::string& Path) {
    const std::string target = PortDeviceTarget(Path);
    if (target.empty()) return std::nullopt;
    TPortSighting s;
    s.Path = Path;
    s.Identity = {std::hash<std::string>{}(target), 0};
    return s;
}

bool IsPseudoTerminalSlave(const std::string& /*Path*/) {
    return false;
}

}  // namespace trimora
