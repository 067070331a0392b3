#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/dongle_sim/SimConfig.h"

namespace trimora::sim {

class DongleSim;

// The answer to one command line read on standard input.
struct CommandResult {
    std::string Reply;  // "ok ..." or "error ..."; may span lines; empty for a blank line
    bool Quit = false;
};

CommandResult ExecuteCommand(DongleSim& Sim, const std::string& Line);
std::string CommandHelpText();
// Every command ExecuteCommand knows.
std::vector<std::string> CommandNames();

// "none", "between" or "random".
std::optional<GarbageMode> ParseGarbageMode(const std::string& Text);

}  // namespace trimora::sim
