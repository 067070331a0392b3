#include "runtime/ThreadPriority.h"

#include <windows.h>

namespace trimora {

namespace {

int WindowsPriority(TThreadPriority p) {
    switch (p) {
        case TThreadPriority::tpIdle:
            return THREAD_PRIORITY_IDLE;
        case TThreadPriority::tpLowest:
            return THREAD_PRIORITY_LOWEST;
        case TThreadPriority::tpLower:
            return THREAD_PRIORITY_BELOW_NORMAL;
        case TThreadPriority::tpNormal:
            return THREAD_PRIORITY_NORMAL;
        case TThreadPriority::tpHigher:
            return THREAD_PRIORITY_ABOVE_NORMAL;
        case TThreadPriority::tpHighest:
            return THREAD_PRIORITY_HIGHEST;
        case TThreadPriority::tpTimeCritical:
            return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

}  // namespace

int CurrentOsThreadId() {
    return static_cast<int>(GetCurrentThreadId());
}

void SetOsThreadPriority(int OsThreadId, TThreadPriority Priority) {
    HANDLE thread =
        OpenThread(THREAD_SET_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(OsThreadId));
    if (thread == nullptr) return;
    SetThreadPriority(thread, WindowsPriority(Priority));
    CloseHandle(thread);
}

}  // namespace trimora
