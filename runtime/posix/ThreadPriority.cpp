#include "runtime/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace trimora {

namespace {

int NiceFor(TThreadPriority p) {
    switch (p) {
        case TThreadPriority::tpIdle:
            return 19;
        case TThreadPriority::tpLowest:
            return 10;
        case TThreadPriority::tpLower:
            return 5;
        case TThreadPriority::tpNormal:
            return 0;
        case TThreadPriority::tpHigher:
            return -5;
        case TThreadPriority::tpHighest:
            return -10;
        case TThreadPriority::tpTimeCritical:
            return -20;
    }
    return 0;
}

}  // namespace

int CurrentOsThreadId() {
    return static_cast<int>(::syscall(SYS_gettid));
}

void SetOsThreadPriority(int OsThreadId, TThreadPriority Priority) {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(OsThreadId), NiceFor(Priority));
}

}  // namespace trimora
