#include "serial/posix/TermiosLine.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <cstdlib>

#include "serial/posix/CustomBaud.h"

// DCB fields with no termios equivalent, and what happens to them here:
// - fOutxDsrFlow, fDsrSensitivity, fDtrControl handshake: Linux has no DSR/DTR flow control;
//   handshake raises DTR like dtrEnable.
// - fRtsControl toggle: no equivalent; RTS is raised like rtsEnable.
// - fRtsControl handshake without fOutxCtsFlow: Linux cannot flow-control input alone; RTS is
//   raised. CRTSCTS always means both directions.
// - fTXContinueOnXoff, XonLim, XoffLim: the kernel chooses its own thresholds.
// - fParity without fErrorChar: Linux cannot report a parity error without changing the data, so
//   input parity is not checked (the byte arrives as received, unreported). fErrorChar turns on
//   INPCK, which replaces a bad byte by 0x00; another ErrorChar has no equivalent.
// - fNull and EvtChar: done by the port itself on the received bytes, not by the driver.
// - fAbortOnError, EofChar: no equivalent; fBinary is always on (raw mode).

namespace trimora {

namespace {
struct RateCode {
    std::uint32_t Rate;
    speed_t Code;
};
constexpr RateCode kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool StandardCode(std::uint32_t rate, speed_t& code) {
    for (const auto& r : kRates)
        if (r.Rate == rate) {
            code = r.Code;
            return true;
        }
    return false;
}

constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
}  // namespace

int MakeTermiosLine(const TDcb& Dcb, const termios& Current, TTermiosLine& Out) {
    if (Dcb.ByteSize < 5 || Dcb.ByteSize > 8 || Dcb.Parity > 4 || Dcb.StopBits == 1 ||
        Dcb.StopBits > 2 || Dcb.BaudRate == 0)
        return EINVAL;
    termios t = Current;
    t.c_iflag &= ~static_cast<tcflag_t>(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                        IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    // A break would otherwise read as a 0x00 byte.
    t.c_iflag |= IGNBRK;
    if (Dcb.Flag(DcbErrorChar)) t.c_iflag |= INPCK;
    if (Dcb.Flag(DcbOutX)) t.c_iflag |= IXON;
    if (Dcb.Flag(DcbInX)) t.c_iflag |= IXOFF;
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~kFraming;
    t.c_cflag |= CLOCAL | CREAD;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[Dcb.ByteSize - 5];
    switch (Dcb.Parity) {
        case 1:
            t.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            t.c_cflag |= PARENB;
            break;
        case 3:
            t.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    if (Dcb.StopBits == 2) t.c_cflag |= CSTOPB;
    if (Dcb.Flag(DcbOutxCtsFlow)) t.c_cflag |= CRTSCTS;
    // With O_NONBLOCK a read never waits; VMIN 1 makes an empty read report EAGAIN, so that a
    // read of 0 bytes can only mean the line has hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = static_cast<cc_t>(Dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(Dcb.XoffChar);

    speed_t code = B38400;
    Out.Rate = Dcb.BaudRate;
    Out.RateNeedsBother = !StandardCode(Dcb.BaudRate, code);
    cfsetispeed(&t, code);
    cfsetospeed(&t, code);
    Out.Tio = t;
    Out.Dtr = Dcb.DtrControl() != 0;
    Out.Rts = Dcb.RtsControl() != 0;
    return 0;
}

int ApplyTermiosLine(int Fd, const TTermiosLine& Line) {
    if (::tcsetattr(Fd, TCSANOW, &Line.Tio) != 0) return errno;
    if (Line.RateNeedsBother) {
        if (int e = SetCustomBaudRate(Fd, Line.Rate)) return e;
    }
    termios now{};
    if (::tcgetattr(Fd, &now) != 0) return errno;
    if ((now.c_cflag & kFraming) != (Line.Tio.c_cflag & kFraming)) return EINVAL;
    std::uint32_t rate = 0;
    if (GetDeviceBaudRate(Fd, rate) == 0) {
        // Real UARTs report the rate their divisor gives; allow the usual 3% tolerance.
        if (std::abs(static_cast<long long>(rate) - static_cast<long long>(Line.Rate)) * 100 >
            static_cast<long long>(Line.Rate) * 3)
            return EINVAL;
    }
    // Modem lines: drivers without them (pseudo-terminals) refuse, which changes nothing.
    // Under CRTSCTS the driver drives RTS itself.
    int up = 0, down = 0;
    (Line.Dtr ? up : down) |= TIOCM_DTR;
    if (!(Line.Tio.c_cflag & CRTSCTS)) (Line.Rts ? up : down) |= TIOCM_RTS;
    if (up) ::ioctl(Fd, TIOCMBIS, &up);
    if (down) ::ioctl(Fd, TIOCMBIC, &down);
    return 0;
}

}  // namespace trimora
