#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

namespace trimora {

// Turns the console's control events (Ctrl+C, Ctrl+Break, the console closed, log-off,
// shut-down) into a call on the GUI thread, so that they close the window the way the operator
// would. The handler runs on a thread of the system's; it finds this object through a hidden
// window of its own and hands the request over by a message, which every loop of the GUI thread
// serves. When the process is to end (console closed, log-off), the handler waits for the
// shut-down to finish before it lets the system end the process.
class TWin32TerminationSignals {
  public:
    explicit TWin32TerminationSignals(HINSTANCE Instance = GetModuleHandleA(nullptr));
    ~TWin32TerminationSignals();
    TWin32TerminationSignals(const TWin32TerminationSignals&) = delete;
    TWin32TerminationSignals& operator=(const TWin32TerminationSignals&) = delete;

    bool Requested() const { return FRequested.load(); }
    // Called on the GUI thread for each request.
    std::function<void()> OnRequested;

    // The hidden window's title in this process, by which the handler finds it.
    static std::string WindowTitle();
    // The console's handler, called by the system on a thread of its own (and by tests as it
    // would): TRUE when a request was handed over.
    static BOOL WINAPI ControlHandler(DWORD Event);

  private:
    static LRESULT CALLBACK WindowProc(HWND Window, UINT Message, WPARAM W, LPARAM L);

    HWND FWindow = nullptr;
    std::atomic<bool> FRequested{false};
};

}  // namespace trimora
