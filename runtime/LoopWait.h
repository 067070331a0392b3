#pragma once

#include <cstddef>

namespace trimora {

class TWakeSignal;

// A descriptor the GUI thread's idle loop waits for, and whether the wait found it ready.
struct TLoopWaitFd {
    int Fd = -1;
    bool Ready = false;
};

// Blocks until Wake is raised, one of Fds is readable or has hung up, or TimeoutMs passes
// (negative: no limit). A raised Wake is cleared.
void WaitForLoopEvents(TWakeSignal& Wake, TLoopWaitFd* Fds, std::size_t Count, int TimeoutMs);

}  // namespace trimora
