#pragma once

#include <string>

namespace trimora {

// The user's regional formats, read once from the locale. Formats use strftime notation.
struct TFormatSettings {
    char DecimalSeparator = '.';
    std::string ShortDateFormat = "%m/%d/%y";
    std::string LongTimeFormat = "%H:%M:%S";

    static TFormatSettings FromUserLocale();
};

}  // namespace trimora
