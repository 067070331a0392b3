#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "serial/posix/SerialDeviceImpl.h"

namespace trimora {

namespace {
// USB-serial drivers otherwise hold received bytes for up to 16 ms. Drivers that do not know
// the request (pseudo-terminals, most USB adapters) refuse it, which is fine.
void RequestLowLatency(int fd) {
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) != 0) return;
    if (info.flags & ASYNC_LOW_LATENCY) return;
    info.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &info);
}

constexpr std::int64_t kMaxSettleMs = 3000;
}  // namespace

int OpenTerminal(const std::string& Path, int& Fd) {
    Fd = -1;
    int fd = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = 0;
    if (!::isatty(fd)) {
        error = errno == EINVAL ? ENOTTY : errno;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another port of ours has it.
        error = errno == EWOULDBLOCK ? EBUSY : errno;
    } else if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
        return error;
    }
    RequestLowLatency(fd);
    Fd = fd;
    return 0;
}

void CloseTerminal(int Fd, std::int32_t WriteConstant, std::int32_t WriteMultiplier,
                   TSavedLine& Saved) {
    int queued = 0;
    if (::ioctl(Fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        std::int64_t limit = static_cast<std::int64_t>(std::max(WriteConstant, 0)) +
                             static_cast<std::int64_t>(std::max(WriteMultiplier, 0)) * queued;
        auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(std::min(limit, kMaxSettleMs));
        while (::ioctl(Fd, TIOCOUTQ, &queued) == 0 && queued > 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (queued > 0) ::tcflush(Fd, TCOFLUSH);
    }
    Saved.Restore(Fd);
    ::ioctl(Fd, TIOCNXCL);
    ::close(Fd);  // also releases the flock
}

}  // namespace trimora
