#include "serial/posix/CustomBaud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace trimora {

int SetCustomBaudRate(int Fd, std::uint32_t Rate) {
    termios2 tio{};
    if (::ioctl(Fd, TCGETS2, &tio) != 0) return errno;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = Rate;
    tio.c_ospeed = Rate;
    if (::ioctl(Fd, TCSETS2, &tio) != 0) return errno;
    return 0;
}

int GetDeviceBaudRate(int Fd, std::uint32_t& Rate) {
    termios2 tio{};
    if (::ioctl(Fd, TCGETS2, &tio) != 0) return errno;
    Rate = tio.c_ospeed;
    return 0;
}

}  // namespace trimora
