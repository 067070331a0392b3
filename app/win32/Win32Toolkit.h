#pragma once

#include <windows.h>

#include <functional>

#include "app/win32/Win32RuntimeBindings.h"

namespace trimora {

class TWin32CalibrationView;

// Win32 for the window program: the common controls and the runtime's bindings to the message
// loop, for as long as this object lives.
class TWin32Toolkit {
  public:
    // Window: the calibration window once it exists (its dialog keys, and progress windows
    // centre over it).
    TWin32Toolkit(HINSTANCE Instance, std::function<TWin32CalibrationView*()> Window);
    TWin32Toolkit(const TWin32Toolkit&) = delete;
    TWin32Toolkit& operator=(const TWin32Toolkit&) = delete;

    // Runs the message loop until the window has closed; the program's exit code.
    int Run() { return FBindings.Run(); }

  private:
    TWin32RuntimeBindings FBindings;
};

}  // namespace trimora
