#include "protocol/FrameCodec.h"

namespace trimora {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
}  // namespace

std::string BytesToHex(const std::string& B) {
    std::string hex;
    hex.reserve(B.size() * 2);
    for (char c : B) {
        const auto v = static_cast<std::uint8_t>(c);
        hex += kDigits[v >> 4];
        hex += kDigits[v & 0x0F];
    }
    return hex;
}

std::int32_t HexToInt(const std::string& S) {
    std::uint32_t value = 0;  // unsigned arithmetic wraps as the 32-bit two's complement does
    const std::size_t used = S.size() < 8 ? S.size() : 8;
    for (std::size_t i = 0; i < used; ++i) {
        char c = S[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        int p = -1;
        if (c >= '0' && c <= '9')
            p = c - '0';
        else if (c >= 'A' && c <= 'F')
            p = c - 'A' + 10;
        value = value * 16u + static_cast<std::uint32_t>(p);
    }
    return static_cast<std::int32_t>(value);
}

std::string HexToBytes(const std::string& S) {
    std::string bytes;
    bytes.reserve(S.size() / 2);
    for (std::size_t i = 0; i + 1 < S.size(); i += 2)
        bytes += static_cast<char>(static_cast<std::uint8_t>(HexToInt(S.substr(i, 2)) & 0xFF));
    return bytes;
}

std::string Hex2(std::uint32_t Value) {
    const auto v = static_cast<std::uint8_t>(Value);
    return {kDigits[v >> 4], kDigits[v & 0x0F]};
}

}  // namespace trimora
