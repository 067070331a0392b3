#pragma once

#include <windows.h>

#include <string>

namespace trimora {

// Saves what the window's client area shows on the screen as a PNG file. False when it cannot.
bool SaveWindowPicture(HWND Window, const std::string& Path);

}  // namespace trimora
