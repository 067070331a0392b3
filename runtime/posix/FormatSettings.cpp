#include "runtime/FormatSettings.h"

#include <langinfo.h>

#include <clocale>

namespace trimora {

TFormatSettings TFormatSettings::FromUserLocale() {
    TFormatSettings s;
    // Texts shown to the user follow the user's locale; numbers inside the program's own code
    // keep the "C" conventions, so only LC_TIME stays switched to the user's locale.
    std::setlocale(LC_ALL, "");
    if (const std::lconv* lc = std::localeconv(); lc && lc->decimal_point && lc->decimal_point[0])
        s.DecimalSeparator = lc->decimal_point[0];
    if (const char* d = nl_langinfo(D_FMT); d && *d) s.ShortDateFormat = d;
    if (const char* t = nl_langinfo(T_FMT); t && *t) s.LongTimeFormat = t;
    std::setlocale(LC_NUMERIC, "C");
    return s;
}

}  // namespace trimora
