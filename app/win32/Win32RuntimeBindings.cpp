#include "app/win32/Win32RuntimeBindings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/Win32MessageWindow.h"
#include "app/win32/Win32ProgressWindow.h"
#include "runtime/Application.h"

namespace trimora {

namespace {

constexpr const char* HandOverWindowClass = "TrimoraHandOver";
constexpr UINT HandOverMessage = WM_APP + 1;

void PostDrain(HWND Window) {
    // Any thread: posting is the one call on a window that other threads may make.
    PostMessageA(Window, HandOverMessage, 0, 0);
}

UINT IconFor(TMsgDlgType Type) {
    switch (Type) {
        case TMsgDlgType::mtWarning:
            return MB_ICONWARNING;
        case TMsgDlgType::mtError:
            return MB_ICONERROR;
        case TMsgDlgType::mtInformation:
            return MB_ICONINFORMATION;
        case TMsgDlgType::mtConfirmation:
            return MB_ICONQUESTION;
    }
    return 0;
}

void ShowModalBox(const std::string& Text, TMsgDlgType Type) {
    // Modal to the window the operator works in, or to the whole program before it has one.
    HWND owner = GetActiveWindow();
    MessageBoxA(owner, Text.c_str(), MsgDlgCaption(Type),
                MB_OK | IconFor(Type) | (owner == nullptr ? MB_TASKMODAL : 0));
}

}  // namespace

TWin32RuntimeBindings::TWin32RuntimeBindings(HINSTANCE Instance,
                                             std::function<bool(MSG&)> PreTranslate,
                                             MainWindowFinder MainWindow)
    : FPreTranslate(std::move(PreTranslate)) {
    FHandOverWindow = CreateMessageWindow(Instance, HandOverWindowClass, &HandOverProc);

    auto& app = Application::Instance();
    app.SetGuiThread(std::this_thread::get_id());
    app.SetPumpHook([this] { ProcessPendingMessages(); });
    HWND window = FHandOverWindow;
    app.SetWakeHook([window] { PostDrain(window); });
    app.Ui().SetMessageBoxHook(&ShowModalBox);
    app.Ui().SetProgressViewFactory(
        [Instance, MainWindow]() -> std::unique_ptr<TProgressWindowView> {
            return std::make_unique<TWin32ProgressWindow>(Instance, MainWindow);
        });
    Application::TWatchHooks watches;
    watches.Added = [this](Application::TWatchId Id, int Fd) {
        // A watched value is a kernel handle here, which fits 32 bits.
        FWatches[Id] = {reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(Fd)), true};
    };
    watches.Removed = [this](Application::TWatchId Id) { FWatches.erase(Id); };
    watches.Activity = [this](Application::TWatchId Id, bool Active) {
        if (auto it = FWatches.find(Id); it != FWatches.end()) it->second.Active = Active;
    };
    app.SetWatchHooks(std::move(watches));
    // Calls queued before the hook existed would otherwise wait for the next wake.
    if (app.PendingCount() > 0) PostDrain(window);
}

TWin32RuntimeBindings::~TWin32RuntimeBindings() {
    auto& app = Application::Instance();
    app.SetWatchHooks({});
    app.SetWakeHook(nullptr);
    app.SetPumpHook(nullptr);
    app.Ui().SetMessageBoxHook(nullptr);
    app.Ui().SetProgressViewFactory(nullptr);
    if (FHandOverWindow != nullptr) DestroyWindow(FHandOverWindow);
    // Anything still queued is served here, on the GUI thread, so no worker stays blocked.
    while (app.ServeOne()) {
    }
}

LRESULT CALLBACK TWin32RuntimeBindings::HandOverProc(HWND Window, UINT Message, WPARAM W,
                                                     LPARAM L) {
    if (Message != HandOverMessage) return DefWindowProcA(Window, Message, W, L);
    auto& app = Application::Instance();
    // One call per turn: a call may itself pump, and the calls behind it get their turn there.
    if (app.PendingCount() > 1) PostDrain(Window);
    app.ServeOne();
    if (app.PendingCount() > 0) PostDrain(Window);
    return 0;
}

void TWin32RuntimeBindings::Dispatch(MSG& Message) {
    if (FPreTranslate && FPreTranslate(Message)) return;
    TranslateMessage(&Message);
    DispatchMessageA(&Message);
}

void TWin32RuntimeBindings::ServeReadyWatches() {
    // A watch's call may add or remove watches: the ready ones are noted first.
    std::vector<Application::TWatchId> ready;
    for (const auto& [id, watched] : FWatches)
        if (watched.Active && WaitForSingleObject(watched.Handle, 0) == WAIT_OBJECT_0)
            ready.push_back(id);
    for (Application::TWatchId id : ready) Application::Instance().ServeWatch(id);
}

void TWin32RuntimeBindings::ProcessPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // For the outer loop, which ends on it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(message);
    }
    ServeReadyWatches();
}

int TWin32RuntimeBindings::Run() {
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
            Dispatch(message);
        }
        ServeReadyWatches();
        std::vector<HANDLE> handles;
        for (const auto& [id, watched] : FWatches)
            if (watched.Active && handles.size() < MAXIMUM_WAIT_OBJECTS - 1)
                handles.push_back(watched.Handle);
        MsgWaitForMultipleObjectsEx(static_cast<DWORD>(handles.size()), handles.data(), INFINITE,
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

}  // namespace trimora
