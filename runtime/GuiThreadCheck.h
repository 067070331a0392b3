#pragma once

namespace trimora {

// The operations that belong to the GUI thread call this first. Where the check is built in
// (TRIMORA_GUI_THREAD_CHECKS: debug and test builds), a call from another thread aborts with a
// message naming Operation; a race found that way is found at its cause.
#ifdef TRIMORA_GUI_THREAD_CHECKS
void RequireGuiThread(const char* Operation);
#else
inline void RequireGuiThread(const char*) {}
#endif

}  // namespace trimora
