#pragma once

#include <cstdint>
#include <string>

#include "protocol/DongleFrames.h"

namespace trimora {

// Start byte, N + 6 bytes in all, end byte; nothing else is examined. Inline: every received
// frame is checked.
inline bool IsValidFrame(const std::string& F) {
    if (F.size() < kFrameOverhead) return false;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(F[i]); };
    return byte(0) == kFrameStart &&
           F.size() == static_cast<std::size_t>(byte(kFrameLengthAt)) + kFrameOverhead &&
           byte(F.size() - 1) == kFrameEnd;
}

// Two upper-case hex digits per byte, no separators.
std::string BytesToHex(const std::string& B);
// Up to the first 8 characters; a non-hex character counts as digit -1; wraps at 32 bits.
std::int32_t HexToInt(const std::string& S);
// Pairs of characters to bytes; an unpaired last character is ignored.
std::string HexToBytes(const std::string& S);

// Two upper-case hex digits of the low byte of Value.
std::string Hex2(std::uint32_t Value);

}  // namespace trimora
