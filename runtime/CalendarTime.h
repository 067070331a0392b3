#pragma once

#include <ctime>

namespace trimora {

// The broken-down local time of When.
std::tm LocalCalendarTime(std::time_t When);
// Reads Text by a strftime-style Format into Out; the first character not read, or nullptr
// when Text does not match.
const char* ParseCalendarTime(const char* Text, const char* Format, std::tm& Out);

}  // namespace trimora
