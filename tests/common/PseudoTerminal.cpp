#include "tests/common/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace trimora::test {

namespace {
using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}
}  // namespace

PseudoTerminal::PseudoTerminal() {
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0) throw std::runtime_error(std::string("posix_openpt: ") + strerror(errno));
    char name[128];
    if (::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0 ||
        ::ptsname_r(FMaster, name, sizeof name) != 0) {
        ::close(FMaster);
        throw std::runtime_error("cannot prepare the pseudo-terminal");
    }
    ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
    FSlavePath = name;
}

PseudoTerminal::~PseudoTerminal() {
    CloseMaster();
}

void PseudoTerminal::CloseMaster() {
    if (FMaster >= 0) ::close(FMaster);
    FMaster = -1;
}

bool PseudoTerminal::Write(std::string_view Bytes, std::chrono::milliseconds Timeout) {
    auto deadline = Clock::now() + Timeout;
    while (!Bytes.empty()) {
        ssize_t n = ::write(FMaster, Bytes.data(), Bytes.size());
        if (n > 0) {
            Bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        if (Clock::now() >= deadline) return false;
        pollfd p{FMaster, POLLOUT, 0};
        ::poll(&p, 1, MsLeft(deadline));
    }
    return true;
}

std::string PseudoTerminal::Read(std::size_t Count, std::chrono::milliseconds Timeout) {
    std::string got;
    auto deadline = Clock::now() + Timeout;
    char buffer[4096];
    while (got.size() < Count) {
        ssize_t n = ::read(FMaster, buffer, std::min(sizeof buffer, Count - got.size()));
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno != EAGAIN) break;  // EIO: no slave is open
        if (Clock::now() >= deadline) break;
        pollfd p{FMaster, POLLIN, 0};
        ::poll(&p, 1, MsLeft(deadline));
    }
    return got;
}

std::string PseudoTerminal::ReadUntilQuiet(std::chrono::milliseconds Quiet) {
    std::string got;
    char buffer[4096];
    for (;;) {
        pollfd p{FMaster, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(Quiet.count())) <= 0) break;
        ssize_t n = ::read(FMaster, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

}  // namespace trimora::test
