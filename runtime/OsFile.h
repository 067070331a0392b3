#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trimora {

// The few file operations the runtime needs, on the operating system's own calls. A file is
// its descriptor (POSIX) or HANDLE (Windows); errors are the system's codes.

inline constexpr std::intptr_t NoOsFile = -1;

// Opens Path for appending, creating it when missing. Returns 0 or the error.
int OpenForAppend(const std::string& Path, std::intptr_t& File);
// Writes all of Data at the end. Returns 0 or the error.
int AppendBytes(std::intptr_t File, const char* Data, std::size_t Count);
void CloseOsFile(std::intptr_t File);
// The system's text for one of its error codes.
std::string OsErrorText(int Error);
// The time of day in local time, to the millisecond: "14:02:33.125 ".
std::string LocalTimeOfDayStamp();

}  // namespace trimora
