#pragma once

#include <windows.h>

#include <functional>

#include "runtime/UiHooks.h"

namespace trimora {

// The progress window drawn with the Win32 API: a window without frame and above the others,
// with one line of text over a common-controls progress bar. It appears centred over the main
// window, or on the primary monitor's work area while the main window is not yet shown.
class TWin32ProgressWindow : public TProgressWindowView {
  public:
    using MainWindowFinder = std::function<HWND()>;

    TWin32ProgressWindow(HINSTANCE Instance, MainWindowFinder MainWindow);
    ~TWin32ProgressWindow() override;

    void Apply(const ProgressWindowLook& Look) override;

    HWND Handle() const { return FWindow; }
    HWND Bar() const { return FBar; }
    HWND Label() const { return FLabel; }

  private:
    void Centre(bool OverMainWindow);

    MainWindowFinder FMainWindow;
    HWND FWindow = nullptr;
    HWND FBar = nullptr;
    HWND FLabel = nullptr;
    HFONT FFont = nullptr;
};

// Makes every progress window of the core a TWin32ProgressWindow.
void InstallWin32ProgressWindows(HINSTANCE Instance,
                                 TWin32ProgressWindow::MainWindowFinder MainWindow);

}  // namespace trimora
