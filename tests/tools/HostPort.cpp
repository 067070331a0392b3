#include "tests/tools/HostPort.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "protocol/FrameCodec.h"

namespace trimora::test {

namespace {
using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point Deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}
}  // namespace

std::string Hex(const std::string& Bytes) {
    return BytesToHex(Bytes);
}

HostPort::HostPort(const std::string& Path) {
    FFd = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FFd < 0) return;
    termios tio{};
    if (tcgetattr(FFd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(FFd, TCSANOW, &tio);
    }
}

HostPort::~HostPort() {
    if (FFd >= 0) ::close(FFd);
}

void HostPort::Send(const std::string& HexText) {
    SendBytes(HexToBytes(HexText));
}

void HostPort::SendBytes(const std::string& Bytes) {
    std::size_t done = 0;
    const auto deadline = Clock::now() + 2s;
    while (done < Bytes.size() && Clock::now() < deadline) {
        const ssize_t n = ::write(FFd, Bytes.data() + done, Bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{FFd, POLLOUT, 0};
            poll(&p, 1, MsLeft(deadline));
        } else if (!(n < 0 && errno == EINTR)) {
            return;
        }
    }
}

std::string HostPort::ReadSome(std::chrono::milliseconds Timeout) {
    const auto deadline = Clock::now() + Timeout;
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(FFd, buffer, sizeof buffer);
        if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return {};
        const int left = MsLeft(deadline);
        if (left == 0) return {};
        pollfd p{FFd, POLLIN, 0};
        if (poll(&p, 1, left) > 0 && (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN))
            return {};
    }
}

std::optional<std::string> HostPort::ReadFrame(std::chrono::milliseconds Timeout) {
    const auto deadline = Clock::now() + Timeout;
    while (FFrames.empty()) {
        const std::string bytes = ReadSome(std::chrono::milliseconds(MsLeft(deadline)));
        if (bytes.empty()) return std::nullopt;
        for (std::string& f : FCutter.Feed(bytes)) FFrames.push_back(std::move(f));
    }
    std::string frame = std::move(FFrames.front());
    FFrames.pop_front();
    return frame;
}

std::optional<std::string> HostPort::WaitFrame(const std::string& HexPrefix,
                                               std::chrono::milliseconds Timeout) {
    const auto deadline = Clock::now() + Timeout;
    while (true) {
        const auto frame = ReadFrame(std::chrono::milliseconds(MsLeft(deadline)));
        if (!frame) return std::nullopt;
        if (Hex(*frame).rfind(HexPrefix, 0) == 0) return frame;
    }
}

std::string HostPort::ReadRaw(std::chrono::milliseconds Window) {
    const auto deadline = Clock::now() + Window;
    std::string all;
    while (MsLeft(deadline) > 0) all += ReadSome(std::chrono::milliseconds(MsLeft(deadline)));
    return all;
}

void HostPort::Drain(std::chrono::milliseconds Quiet) {
    while (!ReadSome(Quiet).empty()) {
    }
    FFrames.clear();
    FCutter.Reset();
}

bool HostPort::WaitHangUp(std::chrono::milliseconds Timeout) {
    const auto deadline = Clock::now() + Timeout;
    char buffer[256];
    while (true) {
        pollfd p{FFd, POLLIN, 0};
        poll(&p, 1, MsLeft(deadline));
        if (p.revents & (POLLHUP | POLLERR)) return true;
        if (p.revents & POLLIN) {
            const ssize_t n = ::read(FFd, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno == EIO)) return true;
        }
        if (MsLeft(deadline) == 0) return false;
    }
}

}  // namespace trimora::test
