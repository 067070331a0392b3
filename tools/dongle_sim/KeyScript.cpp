#include "tools/dongle_sim/KeyScript.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace trimora::sim {

namespace {
template <typename T>
bool ParseNumber(const std::string& Text, T& Value) {
    const char* end = Text.data() + Text.size();
    auto [ptr, ec] = std::from_chars(Text.data(), end, Value);
    return !Text.empty() && ec == std::errc() && ptr == end;
}
}  // namespace

std::optional<std::vector<ScriptedKey>> ParseKeyScript(const std::string& Text) {
    std::vector<ScriptedKey> keys;
    if (Text.empty()) return keys;
    std::stringstream in(Text);
    std::string item;
    while (std::getline(in, item, ',')) {
        const auto colon = item.find(':');
        if (colon == std::string::npos) return std::nullopt;
        ScriptedKey key;
        unsigned value = 0;
        if (!ParseNumber(item.substr(0, colon), key.AtMs) ||
            !ParseNumber(item.substr(colon + 1), value) || value > 255)
            return std::nullopt;
        key.Key = static_cast<std::uint8_t>(value);
        keys.push_back(key);
    }
    if (Text.back() == ',') return std::nullopt;
    std::stable_sort(keys.begin(), keys.end(),
                     [](const ScriptedKey& a, const ScriptedKey& b) { return a.AtMs < b.AtMs; });
    return keys;
}

}  // namespace trimora::sim
