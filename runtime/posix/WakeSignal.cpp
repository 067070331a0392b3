#include "runtime/WakeSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace trimora {

namespace {

int Fd(std::intptr_t Handle) {
    return static_cast<int>(Handle);
}

}  // namespace

TWakeSignal::TWakeSignal() : FHandle(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (FHandle < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

TWakeSignal::~TWakeSignal() {
    ::close(Fd(FHandle));
}

void TWakeSignal::Raise() {
    std::uint64_t one = 1;
    // Fails only when the counter is saturated, and then the signal is raised anyway.
    [[maybe_unused]] auto n = ::write(Fd(FHandle), &one, sizeof one);
}

void TWakeSignal::Clear() {
    std::uint64_t value;
    [[maybe_unused]] auto n = ::read(Fd(FHandle), &value, sizeof value);
}

bool TWakeSignal::Raised() const {
    pollfd p{Fd(FHandle), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

}  // namespace trimora
