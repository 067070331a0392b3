#include "tools/dongle_sim/SimLine.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include "tools/dongle_sim/posix/PseudoTerminal.h"

namespace trimora::sim {

struct SimLine::TImpl {
    PseudoTerminal Terminal;
    int WakeFd = -1;
};

SimLine::SimLine() : FImpl(std::make_unique<TImpl>()) {}

SimLine::~SimLine() {
    Close();
    if (FImpl->WakeFd >= 0) ::close(FImpl->WakeFd);
}

bool SimLine::CreateWake(std::string& Error) {
    FImpl->WakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (FImpl->WakeFd >= 0) return true;
    Error = "eventfd failed";
    return false;
}

void SimLine::Wake() {
    if (FImpl->WakeFd < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(FImpl->WakeFd, &one, sizeof one);
}

bool SimLine::Open(std::string& Error) {
    return FImpl->Terminal.Open(Error);
}

void SimLine::Close() {
    FImpl->Terminal.Close();
}

bool SimLine::IsOpen() const {
    return FImpl->Terminal.IsOpen();
}

const std::string& SimLine::HostPath() const {
    return FImpl->Terminal.SlavePath();
}

SimLine::Readiness SimLine::Wait(bool WantOutput, std::optional<std::uint64_t> TimeoutNs) {
    pollfd fds[2] = {{FImpl->WakeFd, POLLIN, 0}, {-1, 0, 0}};
    nfds_t count = 1;
    if (IsOpen()) {
        fds[1] = {FImpl->Terminal.MasterFd(),
                  static_cast<short>(POLLIN | (WantOutput ? POLLOUT : 0)), 0};
        count = 2;
    }
    timespec wait{};
    if (TimeoutNs) {
        wait.tv_sec = static_cast<time_t>(*TimeoutNs / 1000000000u);
        wait.tv_nsec = static_cast<long>(*TimeoutNs % 1000000000u);
    }
    ppoll(fds, count, TimeoutNs ? &wait : nullptr, nullptr);
    if (fds[0].revents & POLLIN) {
        std::uint64_t value = 0;
        [[maybe_unused]] ssize_t n = ::read(FImpl->WakeFd, &value, sizeof value);
    }
    Readiness ready;
    if (count == 2) {
        ready.Input = (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
        ready.Output = (fds[1].revents & POLLOUT) != 0;
    }
    return ready;
}

SimLine::Io SimLine::Read(char* Buffer, std::size_t Size, std::size_t& Count) {
    Count = 0;
    while (true) {
        const ssize_t n = ::read(FImpl->Terminal.MasterFd(), Buffer, Size);
        if (n > 0) {
            Count = static_cast<std::size_t>(n);
            return Io::Done;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Io::WouldBlock;
        return Io::Ended;  // end of file or EIO: no slave side any more
    }
}

SimLine::Io SimLine::Write(const char* Data, std::size_t Size, std::size_t& Count) {
    Count = 0;
    while (true) {
        const ssize_t n = ::write(FImpl->Terminal.MasterFd(), Data, Size);
        if (n >= 0) {
            Count = static_cast<std::size_t>(n);
            return Io::Done;
        }
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? Io::WouldBlock : Io::Ended;
    }
}

}  // namespace trimora::sim
