#pragma once

#include <string>

#include "serial/win32/WindowsApi.h"

namespace trimora {

// Opens "\\.\" + PortName (a name that starts with "\\.\" as it is) for overlapped I/O with no
// sharing; a busy pipe is waited for a moment. Returns 0 or the Windows error.
DWORD OpenCommDevice(const std::string& PortName, HANDLE& Device, bool& Pipe);

}  // namespace trimora
