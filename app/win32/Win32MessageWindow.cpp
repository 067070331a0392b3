#include "app/win32/Win32MessageWindow.h"

namespace trimora {

HWND CreateMessageWindow(HINSTANCE Instance, const char* ClassName, WNDPROC Procedure,
                         const char* Title) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = Instance;
    windowClass.lpszClassName = ClassName;
    RegisterClassExA(&windowClass);  // fails harmlessly when registered already
    return CreateWindowExA(0, ClassName, Title, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance,
                           nullptr);
}

}  // namespace trimora
