#pragma once

#include <termios.h>

#include <cstdint>

#include "serial/LineSettings.h"

namespace trimora {

// What a DCB asks of a POSIX terminal device.
struct TTermiosLine {
    termios Tio{};
    std::uint32_t Rate = 0;
    bool RateNeedsBother = false;  // no B* constant: set through termios2
    bool Dtr = false;              // level to drive on the DTR line
    bool Rts = false;              // level to drive on the RTS line, unless CRTSCTS drives it
};

// Builds the settings from the DCB on top of Current. Returns 0, or EINVAL for what Linux cannot
// do (one and a half stop bits, sizes or parities outside the DCB's ranges, a zero rate).
int MakeTermiosLine(const TDcb& Dcb, const termios& Current, TTermiosLine& Out);

// Sets the line on the device and reads it back; a device that silently kept other framing or
// another rate counts as a refusal (EINVAL). Returns 0 or errno.
int ApplyTermiosLine(int Fd, const TTermiosLine& Line);

}  // namespace trimora
