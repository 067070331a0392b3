#pragma once

#include "runtime/TThread.h"

namespace trimora {

// The calling thread's identity as the operating system knows it (never 0).
int CurrentOsThreadId();
// Gives the thread with that identity the priority; a refusal is ignored (lowering needs no
// rights, raising may).
void SetOsThreadPriority(int OsThreadId, TThreadPriority Priority);

}  // namespace trimora
