#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trimora::sim {

constexpr std::uint8_t kKeyNextPoint = 4;
constexpr std::uint8_t kKeyPreviousPoint = 1;

// A key a console presses AtMs after its measures started.
struct ScriptedKey {
    std::uint32_t AtMs = 0;
    std::uint8_t Key = 0;
    bool operator==(const ScriptedKey&) const = default;
};

// "2000:4,4000:4,6000:1" (milliseconds:key, keys in decimal); empty text is an empty script.
// Entries come back sorted by time. Nothing on malformed text.
std::optional<std::vector<ScriptedKey>> ParseKeyScript(const std::string& Text);

}  // namespace trimora::sim
