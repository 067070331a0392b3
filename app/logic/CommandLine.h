#pragma once

#include <string>
#include <vector>

#include "app/logic/PlatformWords.h"

namespace trimora {

// What the command line asks for. Nothing given means the plain program: search for the dongle
// from the default port.
struct TCommandLine {
    std::string Port;        // --port NAME: tried first in the dongle search
    bool Demo = false;       // --demo: run against the built-in dongle emulator
    std::string DemoLog;     // --demo-log PATH: the emulator's log of frames from the program
    std::string Screenshot;  // --screenshot PATH: save a picture of the window before quitting
    double QuitAfter = 0.0;  // --quit-after SECONDS: close the window as the operator would
    std::string Trace;       // --trace FILE: append every line the protocol traces to FILE
    bool ListPorts = false;  // --list-ports: describe the ports the search would try, and end
    bool Help = false;       // --help, -h
    std::string Error;       // not empty: the command line is wrong, this says why
};

// Args are the arguments after the program name.
TCommandLine ParseCommandLine(const std::vector<std::string>& Args);
std::string CommandLineUsage(const std::string& Program, const TPlatformWords& Words);

}  // namespace trimora
