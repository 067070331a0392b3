#include "runtime/WakeSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace trimora {

TWakeSignal::TWakeSignal() : FFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (FFd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

TWakeSignal::~TWakeSignal() {
    ::close(FFd);
}

void TWakeSignal::Raise() {
    std::uint64_t one = 1;
    // Fails only when the counter is saturated, and then the signal is raised anyway.
    [[maybe_unused]] auto n = ::write(FFd, &one, sizeof one);
}

void TWakeSignal::Clear() {
    std::uint64_t value;
    [[maybe_unused]] auto n = ::read(FFd, &value, sizeof value);
}

bool TWakeSignal::Raised() const {
    pollfd p{FFd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

}  // namespace trimora
