#include "serial/ComError.h"

#include <array>

namespace trimora {

namespace {
constexpr std::array<const char*, 23> kTexts = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};

std::string MessageFor(std::int32_t number, std::int32_t osError) {
    std::string text = ComErrorText(number);
    if (osError != -1) text += " (win error code: " + std::to_string(osError) + ")";
    return text;
}
}  // namespace

const char* ComErrorText(std::int32_t PortErrorNumber) {
    if (PortErrorNumber < 1 || PortErrorNumber > static_cast<std::int32_t>(kTexts.size()))
        return "";
    return kTexts[static_cast<std::size_t>(PortErrorNumber - 1)];
}

EComPort::EComPort(std::int32_t PortErrorNumber, std::int32_t WindowsError)
    : std::runtime_error(MessageFor(PortErrorNumber, WindowsError)),
      FWindowsError(WindowsError),
      FPortErrorNumber(PortErrorNumber) {}

}  // namespace trimora
