#pragma once

#include <string>

#include "serial/PortDetails.h"

namespace trimora {

// Whether PortName can be opened now, found by opening it as the serial port does and closing
// it at once: Windows opens a COM port only once, so a refusal means another program has it.
// A pipe is only looked for, never opened: an open would take the pipe from its next client.
// Reason gets the system's words when the answer is paUnreachable.
TPortAccess ProbePortAccess(const std::string& PortName, std::string& Reason);

}  // namespace trimora
