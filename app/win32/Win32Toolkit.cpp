#include "app/win32/Win32Toolkit.h"

#include <commctrl.h>

#include <utility>

#include "app/win32/Win32CalibrationView.h"

namespace trimora {

namespace {

// Before any window: the progress bar's class, in the visual style the manifest asks for.
HINSTANCE WithCommonControls(HINSTANCE Instance) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return Instance;
}

}  // namespace

TWin32Toolkit::TWin32Toolkit(HINSTANCE Instance, std::function<TWin32CalibrationView*()> Window)
    : FBindings(
          WithCommonControls(Instance),
          [Window](MSG& Message) {
              TWin32CalibrationView* view = Window();
              return view != nullptr && view->Window().TranslateDialogMessage(Message);
          },
          [Window]() -> HWND {
              TWin32CalibrationView* view = Window();
              return view != nullptr ? view->Window().Handle() : nullptr;
          }) {}

}  // namespace trimora
