#pragma once

#include <ctime>
#include <string>

#include "runtime/FormatSettings.h"

namespace trimora {

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// The current local time of day in the user's long time format.
std::string TimeToText(const TFormatSettings& Fmt);
// The current local date and time: short date format, a blank, long time format.
std::string DateTimeToText(const TFormatSettings& Fmt);
// Same conversions for a given moment (tests).
std::string TimeToText(const TFormatSettings& Fmt, std::time_t When);
std::string DateTimeToText(const TFormatSettings& Fmt, std::time_t When);

// A date in the user's short date format; false when the text is not such a date.
bool TryTextToDate(const std::string& Text, const TFormatSettings& Fmt, TDateTime& Value);
// A decimal number written with the user's decimal separator.
bool TryTextToFloat(const std::string& Text, const TFormatSettings& Fmt, long double& Value);

}  // namespace trimora
