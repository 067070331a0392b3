#include "runtime/LoopWait.h"

#include <poll.h>

#include <vector>

#include "runtime/WakeSignal.h"

namespace trimora {

void WaitForLoopEvents(TWakeSignal& Wake, TLoopWaitFd* Fds, std::size_t Count, int TimeoutMs) {
    // The GUI thread watches a port or two: keep the poll set on the stack.
    constexpr std::size_t kInline = 8;
    pollfd inlineSet[kInline + 1];
    std::vector<pollfd> heapSet;
    pollfd* set = inlineSet;
    if (Count > kInline) {
        heapSet.resize(Count + 1);
        set = heapSet.data();
    }
    set[0] = {static_cast<int>(Wake.Handle()), POLLIN, 0};
    for (std::size_t i = 0; i < Count; ++i) set[i + 1] = {Fds[i].Fd, POLLIN, 0};
    int ready = ::poll(set, Count + 1, TimeoutMs);
    // An interrupted wait is a spurious wake-up: the caller looks around and waits again.
    if (ready <= 0) return;
    if (set[0].revents != 0) Wake.Clear();
    for (std::size_t i = 0; i < Count; ++i) Fds[i].Ready = set[i + 1].revents != 0;
}

}  // namespace trimora
