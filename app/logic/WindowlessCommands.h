#pragma once

#include <optional>
#include <string>

#include "app/logic/CommandLine.h"

namespace trimora {

// What the command line asks for that needs no window: --help, --list-ports, or the complaint
// about a wrong command line. Prints it and gives the exit code; nothing when the window is to
// come.
std::optional<int> RunWithoutWindow(const std::string& Program, const TCommandLine& Options,
                                    const TPlatformWords& Words);

}  // namespace trimora
