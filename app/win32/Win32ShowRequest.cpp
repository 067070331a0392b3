#include "app/win32/Win32ShowRequest.h"

#include <algorithm>
#include <thread>

#include "app/win32/Win32CalibrationWindow.h"

namespace trimora {

UINT ShowRequestMessage() {
    return RegisterWindowMessageA("Trimora.ShowCalibrationWindow");
}

bool AskRunningWindowToFront(std::chrono::milliseconds Timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    while (true) {
        if (HWND window = FindWindowA(TWin32CalibrationWindow::WindowClassName, nullptr)) {
            // Windows gives the foreground only to the program the user started last, this one:
            // it hands that right on to the running instance.
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            AllowSetForegroundWindow(process);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            DWORD_PTR answer = 0;
            if (SendMessageTimeoutA(window, ShowRequestMessage(), 0, 0, SMTO_ABORTIFHUNG,
                                    static_cast<UINT>(std::max<long long>(left.count(), 1)),
                                    &answer) != 0)
                return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace trimora
