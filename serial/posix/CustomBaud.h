#pragma once

#include <cstdint>

namespace trimora {

// Rates that have no B* constant go through the kernel's termios2 interface (BOTHER). It lives
// in a file of its own because the kernel's termios header clashes with the C library's.

// 0 or errno.
int SetCustomBaudRate(int Fd, std::uint32_t Rate);
// 0 or errno; Rate is the output rate the device reports.
int GetDeviceBaudRate(int Fd, std::uint32_t& Rate);

}  // namespace trimora
