#pragma once

#include <string>
#include <vector>

#include "runtime/Application.h"
#include "runtime/UiHooks.h"

namespace trimora {

// The serial ports of this machine that have hardware behind them, as device paths
// ("/dev/ttyUSB0"), sorted in case-insensitive text order (so ttyUSB10 comes before ttyUSB2).
// A failure is shown through Ui's message box and gives an empty list: "Error Finding Com Port"
// when the list of ports cannot be opened, "Error Reading Win registry!" when an entry of it
// cannot be read. SysfsRoot lets tests point at a tree of their own.
std::vector<std::string> ListSerialPorts(const std::string& SysfsRoot = "/sys",
                                         TUiHooks& Ui = Application::Instance().Ui());

}  // namespace trimora
