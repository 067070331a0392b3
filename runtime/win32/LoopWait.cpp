#include "runtime/LoopWait.h"

#include <windows.h>

#include <vector>

#include "runtime/WakeSignal.h"

namespace trimora {

void WaitForLoopEvents(TWakeSignal& Wake, TLoopWaitFd* Fds, std::size_t Count, int TimeoutMs) {
    // A watched entry is a waitable handle here. Window messages wake the wait too: the loop
    // that called it dispatches them (the hand-over window's, timers', the operator's).
    std::vector<HANDLE> handles;
    handles.reserve(Count + 1);
    handles.push_back(reinterpret_cast<HANDLE>(Wake.Handle()));
    for (std::size_t i = 0; i < Count && handles.size() < MAXIMUM_WAIT_OBJECTS - 1; ++i)
        handles.push_back(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(Fds[i].Fd)));
    const DWORD timeout = TimeoutMs < 0 ? INFINITE : static_cast<DWORD>(TimeoutMs);
    const DWORD result =
        MsgWaitForMultipleObjectsEx(static_cast<DWORD>(handles.size()), handles.data(), timeout,
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE | MWMO_ALERTABLE);
    if (result == WAIT_OBJECT_0) {
        Wake.Clear();
    } else if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + handles.size()) {
        Fds[result - WAIT_OBJECT_0 - 1].Ready = true;
    } else if (result == WAIT_OBJECT_0 + handles.size()) {
        // Messages are waiting: serve them here, since a headless loop has no one else to.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    // WAIT_TIMEOUT, WAIT_IO_COMPLETION, WAIT_FAILED: a spurious wake-up; the caller looks again.
}

}  // namespace trimora
