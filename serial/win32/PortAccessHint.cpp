#include "serial/PortAccessHint.h"

namespace trimora {

// Windows gives no permission to a serial port that a user can be granted: a refused open means
// another program has the port, which the open's own error already says.
bool IsPermissionError(int /*SystemError*/) {
    return false;
}

std::string PortAccessHint(const std::string& /*PortName*/) {
    return {};
}

std::string PortAccessAdvice(const std::string& /*Path*/) {
    return {};
}

}  // namespace trimora
