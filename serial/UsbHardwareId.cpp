#include "serial/UsbHardwareId.h"

#include <cctype>

namespace trimora {

namespace {

constexpr std::size_t kDigits = 4;

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool StartsToken(std::string_view Id, std::size_t At) {
    if (At == 0) return true;
    const char before = Id[At - 1];
    return before == '\\' || before == '&' || before == '+' || before == '#';
}

bool SameLetters(std::string_view Text, std::string_view Upper) {
    if (Text.size() != Upper.size()) return false;
    for (std::size_t i = 0; i < Text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(Text[i])) != Upper[i]) return false;
    return true;
}

// The four hex digits of the first token Key ("VID_") at or after From; End is set past them.
std::optional<std::string> TokenValue(std::string_view Id, std::string_view Key, std::size_t From,
                                      std::size_t& End) {
    for (std::size_t at = From; at + Key.size() + kDigits <= Id.size(); ++at) {
        if (!StartsToken(Id, at) || !SameLetters(Id.substr(at, Key.size()), Key)) continue;
        const std::size_t digits = at + Key.size();
        std::size_t n = 0;
        while (digits + n < Id.size() && IsHex(Id[digits + n])) ++n;
        if (n != kDigits) continue;
        std::string value(Id.substr(digits, kDigits));
        for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        End = digits + kDigits;
        return value;
    }
    return std::nullopt;
}

}  // namespace

std::optional<TUsbIds> UsbIdsOfHardwareId(std::string_view HardwareId) {
    std::size_t end = 0;
    std::optional<std::string> vendor = TokenValue(HardwareId, "VID_", 0, end);
    if (!vendor) return std::nullopt;
    std::optional<std::string> product = TokenValue(HardwareId, "PID_", end, end);
    if (!product) return std::nullopt;
    return TUsbIds{*vendor, *product};
}

}  // namespace trimora
