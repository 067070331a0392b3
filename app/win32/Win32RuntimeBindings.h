#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>

namespace trimora {

// Plugs the runtime into the Win32 message loop while it exists: a worker's hand-over becomes a
// message posted to a hidden window, so that every loop of the GUI thread serves it (the
// program's own, a modal message box's, a pumping wait's); the runtime's pump processes pending
// messages, its message boxes become modal Win32 boxes and its progress windows Win32 windows. The
// handles the runtime watches (a port list's change notification) are waited for beside the
// messages. Made and destroyed on the GUI thread; destroyed after the workers have stopped.
class TWin32RuntimeBindings {
  public:
    using MainWindowFinder = std::function<HWND()>;
    // PreTranslate, when set, sees each message first (the window's dialog keys) and returns
    // true when it has dispatched it itself. A progress window centres over MainWindow's window
    // once that is shown.
    TWin32RuntimeBindings(HINSTANCE Instance, std::function<bool(MSG&)> PreTranslate,
                          MainWindowFinder MainWindow);
    ~TWin32RuntimeBindings();
    TWin32RuntimeBindings(const TWin32RuntimeBindings&) = delete;
    TWin32RuntimeBindings& operator=(const TWin32RuntimeBindings&) = delete;

    // Processes the messages pending now and the watches that are ready, then returns.
    void ProcessPendingMessages();
    // Runs the message loop until WM_QUIT; returns its exit code.
    int Run();

  private:
    static LRESULT CALLBACK HandOverProc(HWND Window, UINT Message, WPARAM W, LPARAM L);
    void Dispatch(MSG& Message);
    void ServeReadyWatches();

    struct TWatched {
        HANDLE Handle = nullptr;
        bool Active = true;
    };

    std::function<bool(MSG&)> FPreTranslate;
    HWND FHandOverWindow = nullptr;
    std::map<std::uint64_t, TWatched> FWatches;
};

}  // namespace trimora
