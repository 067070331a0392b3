#include "app/win32/Win32TerminationSignals.h"

#include <string>

#include "app/win32/Win32MessageWindow.h"

namespace trimora {

namespace {

constexpr const char* kWindowClass = "TrimoraTerminationSignals";
constexpr UINT kRequestMessage = WM_APP + 2;
// The system ends the process about 5 s after a close or log-off event arrived.
constexpr DWORD kShutDownWaitMs = 4500;

}  // namespace

std::string TWin32TerminationSignals::WindowTitle() {
    return "trimora-signals-" + std::to_string(GetCurrentProcessId());
}

TWin32TerminationSignals::TWin32TerminationSignals(HINSTANCE Instance) {
    FWindow = CreateMessageWindow(Instance, kWindowClass, &WindowProc, WindowTitle().c_str());
    if (FWindow == nullptr) return;
    SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetConsoleCtrlHandler(&ControlHandler, TRUE);
}

TWin32TerminationSignals::~TWin32TerminationSignals() {
    if (FWindow == nullptr) return;
    SetConsoleCtrlHandler(&ControlHandler, FALSE);
    // A handler still waiting sees the window go: the shut-down is over.
    DestroyWindow(FWindow);
}

BOOL WINAPI TWin32TerminationSignals::ControlHandler(DWORD Event) {
    HWND window = FindWindowExA(HWND_MESSAGE, nullptr, kWindowClass, WindowTitle().c_str());
    if (window == nullptr) return FALSE;
    // Blocks until the GUI thread has taken the request.
    SendMessageA(window, kRequestMessage, 0, 0);
    if (Event == CTRL_CLOSE_EVENT || Event == CTRL_LOGOFF_EVENT || Event == CTRL_SHUTDOWN_EVENT) {
        // Returning lets the system end the process: the shut-down frames must be out first.
        const DWORD start = GetTickCount();
        while (IsWindow(window) && GetTickCount() - start < kShutDownWaitMs) Sleep(20);
    }
    return TRUE;
}

LRESULT CALLBACK TWin32TerminationSignals::WindowProc(HWND Window, UINT Message, WPARAM W,
                                                      LPARAM L) {
    if (Message != kRequestMessage) return DefWindowProcA(Window, Message, W, L);
    auto* self =
        reinterpret_cast<TWin32TerminationSignals*>(GetWindowLongPtrA(Window, GWLP_USERDATA));
    if (self == nullptr) return 0;
    self->FRequested.store(true);
    if (self->OnRequested) self->OnRequested();
    return 0;
}

}  // namespace trimora
