#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/dongle_sim/SimConfig.h"

namespace trimora::sim {

// What the dongle-sim program was asked for on its command line.
struct CliOptions {
    SimConfig Config;
    // What every console is given and which ids join. Config.Consoles is built from them once
    // every option is read, so options about consoles may come before or after --consoles.
    ConsoleConfig Console;
    std::vector<std::uint8_t> ConsoleIds{1};
    bool Help = false;
    bool Stay = false;   // keep running when standard input ends, until a signal
    bool Echo = false;   // print every frame the host sends
    std::string Replay;  // --replay FILE: a trace file whose dongle frames to play back
};

// Args without the program name. Nothing, with Error set, on a bad option or value.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& Args,
                                           std::string& Error);

std::string UsageText();
// Every option the parser knows, for checking that the usage text documents each.
std::vector<std::string> OptionNames();

// Small parsers shared with the standard-input commands; false on anything but a whole number
// (or hex byte, or decimal) in range.
bool ParseUnsigned(const std::string& Text, std::uint32_t& Value);
bool ParseHexByte(const std::string& Text, std::uint8_t& Value);
bool ParseKmh(const std::string& Text, double& Value);
bool ParseConsoleId(const std::string& Text, std::uint8_t& Value);

}  // namespace trimora::sim
