#pragma once

#include <cstdint>

#include "serial/ComTypes.h"

namespace trimora {

// Error condition flags of a device, valued as Windows reports them, so that one translation
// serves every backend.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;
inline constexpr std::uint32_t CE_TXFULL = 0x0100;
inline constexpr std::uint32_t CE_IOE = 0x0400;
inline constexpr std::uint32_t CE_MODE = 0x8000;

// Parity errors count only when the port checks parity; unknown flags are ignored.
TComErrors ErrorsFromCommFlags(std::uint32_t Flags, bool ParityCheck);

}  // namespace trimora
