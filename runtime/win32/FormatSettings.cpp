#include "runtime/FormatSettings.h"

#include <windows.h>

#include <clocale>

namespace trimora {

TFormatSettings TFormatSettings::FromUserLocale() {
    TFormatSettings s;
    char separator[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) > 0 &&
        separator[0] != '\0')
        s.DecimalSeparator = separator[0];
    // The date and time pictures of the regional settings are not strftime's: the C library's
    // own rendering of them (%x, %X) under the user's locale stands in.
    std::setlocale(LC_TIME, "");
    s.ShortDateFormat = "%x";
    s.LongTimeFormat = "%X";
    return s;
}

}  // namespace trimora
