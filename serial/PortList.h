#pragma once

#include <string>
#include <vector>

#include "runtime/Application.h"
#include "runtime/UiHooks.h"

namespace trimora {

// Where this machine lists its serial ports: the sysfs root on Linux, the registry key
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM on Windows.
std::string MachinePortList();

// The serial ports of this machine that have hardware behind them, as the serial port opens
// them ("/dev/ttyUSB0" on Linux, "COM3" on Windows), sorted in case-insensitive text order (so
// COM10 comes before COM2). A failure is shown through Ui's message box and gives an empty list:
// "Error Finding Com Port" when the list of ports cannot be opened, "Error Reading Win
// registry!" when an entry of it cannot be read. Tests point Source at a list of their own (a
// sysfs tree; a registry key, HKCU\... or HKLM\...).
std::vector<std::string> ListSerialPorts(const std::string& Source = MachinePortList(),
                                         TUiHooks& Ui = Application::Instance().Ui());

}  // namespace trimora
