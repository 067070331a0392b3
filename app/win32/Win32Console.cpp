#include "app/win32/Win32Console.h"

#include <windows.h>

#include <cstdio>

namespace trimora {

namespace {

bool Redirected(DWORD Which) {
    HANDLE handle = GetStdHandle(Which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void PrintToStartingConsole() {
    const bool out = Redirected(STD_OUTPUT_HANDLE);
    const bool err = Redirected(STD_ERROR_HANDLE);
    if (out && err) return;
    // Started from Explorer there is none, and nothing is printed.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!out) static_cast<void>(std::freopen("CONOUT$", "w", stdout));
    if (!err) static_cast<void>(std::freopen("CONOUT$", "w", stderr));
}

}  // namespace trimora
