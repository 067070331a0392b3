#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trimora {

// One text setting in an INI file written the way Qt's QSettings writes and reads them, so that
// a file written on one platform reads the same on the other. Key is a full key whose first part
// is the section ("Dongle/Port" is Port in [Dongle]).

// The setting's text; nothing when it is missing or is no plain text to QSettings (a list, a byte
// array or another typed value).
std::optional<std::string> ReadIniText(std::string_view Text, std::string_view Key);

// Text with the setting set to Value; every other line stays as it was. LineEnd ends the lines
// this adds.
std::string WithIniText(std::string_view Text, std::string_view Key, std::string_view Value,
                        std::string_view LineEnd = "\n");

}  // namespace trimora
