#pragma once

#include <windows.h>

#include <chrono>

namespace trimora {

// The message by which a second start asks the running calibration window to the front.
UINT ShowRequestMessage();

// From a second start of the program: finds the running instance's calibration window, lets it
// take the foreground and asks it to come to the front. False when no window answers within
// Timeout (the first start may not have made its window yet).
bool AskRunningWindowToFront(std::chrono::milliseconds Timeout);

}  // namespace trimora
