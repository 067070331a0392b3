#pragma once

#include <string>

namespace trimora {

// One line for a user whose port could not be opened for lack of permission: the device and
// the group that may open it (the group owning the device node), and how to join it.
std::string PortAccessHint(const std::string& PortName);

// The advice part of that line, for the device node at Path: who may open it and how to join
// them, or whom to ask.
std::string PortAccessAdvice(const std::string& Path);

// True for the operating system's errors that mean "not allowed".
bool IsPermissionError(int SystemError);

}  // namespace trimora
