#pragma once

#include <windows.h>

namespace trimora {

// A message-only window of the class ClassName served by Procedure: never shown, never
// enumerated, found only by FindWindowEx(HWND_MESSAGE, ...). Null when it cannot be made.
HWND CreateMessageWindow(HINSTANCE Instance, const char* ClassName, WNDPROC Procedure,
                         const char* Title = "");

}  // namespace trimora
