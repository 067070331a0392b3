#include "bench/line/PtyMaster.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace trimora::bench {

std::int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

PtyMaster::PtyMaster() {
    FFd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FFd < 0) throw std::runtime_error(std::string("posix_openpt: ") + std::strerror(errno));
    char name[128];
    if (grantpt(FFd) != 0 || unlockpt(FFd) != 0 || ptsname_r(FFd, name, sizeof name) != 0) {
        ::close(FFd);
        throw std::runtime_error(std::string("pty setup: ") + std::strerror(errno));
    }
    FSlavePath = name;
    // On Linux the master's termios calls act on the slave: make the line raw before any
    // contender opens it, so nothing is echoed back or held for a newline.
    termios tio{};
    if (tcgetattr(FFd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(FFd, TCSANOW, &tio);
    }
}

PtyMaster::~PtyMaster() {
    if (FFd >= 0) ::close(FFd);
}

std::int64_t PtyMaster::Write(const void* Data, std::size_t Size, int TimeoutMs) {
    auto* p = static_cast<const unsigned char*>(Data);
    std::size_t done = 0;
    while (done < Size) {
        ssize_t n = ::write(FFd, p + done, Size - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return -1;
        pollfd pfd{FFd, POLLOUT | POLLIN, 0};
        int r = ::poll(&pfd, 1, TimeoutMs);
        if (r == 0) return -1;
        if (r < 0 && errno != EINTR) return -1;
        if (r > 0 && (pfd.revents & POLLIN)) DrainInput();
        if (r > 0 && (pfd.revents & (POLLHUP | POLLERR)) && !(pfd.revents & POLLOUT)) return -1;
    }
    return MonotonicNs();
}

void PtyMaster::DrainInput() {
    unsigned char sink[4096];
    while (::read(FFd, sink, sizeof sink) > 0) {
    }
}

}  // namespace trimora::bench
