#include "runtime/LocaleText.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/CalendarTime.h"

namespace trimora {

namespace {

std::string Format(const std::string& fmt, std::time_t when) {
    const std::tm tm = LocalCalendarTime(when);
    char buf[128];
    std::size_t n = std::strftime(buf, sizeof buf, fmt.c_str(), &tm);
    return std::string(buf, n);
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

constexpr long kUnixEpochAsDateTime = 25569;  // 1970-01-01 in days since 1899-12-30

}  // namespace

std::string TimeToText(const TFormatSettings& Fmt, std::time_t When) {
    return Format(Fmt.LongTimeFormat, When);
}

std::string DateTimeToText(const TFormatSettings& Fmt, std::time_t When) {
    return Format(Fmt.ShortDateFormat, When) + " " + Format(Fmt.LongTimeFormat, When);
}

std::string TimeToText(const TFormatSettings& Fmt) {
    return TimeToText(Fmt, std::time(nullptr));
}

std::string DateTimeToText(const TFormatSettings& Fmt) {
    return DateTimeToText(Fmt, std::time(nullptr));
}

bool TryTextToDate(const std::string& Text, const TFormatSettings& Fmt, TDateTime& Value) {
    std::tm tm{};
    const char* end = ParseCalendarTime(Text.c_str(), Fmt.ShortDateFormat.c_str(), tm);
    if (end == nullptr) return false;
    while (*end != '\0' && std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (*end != '\0') return false;
    Value = static_cast<TDateTime>(DaysFromCivil(tm.tm_year + 1900L,
                                                 static_cast<unsigned>(tm.tm_mon + 1),
                                                 static_cast<unsigned>(tm.tm_mday)) +
                                   kUnixEpochAsDateTime);
    return true;
}

bool TryTextToFloat(const std::string& Text, const TFormatSettings& Fmt, long double& Value) {
    std::string s = Text;
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    std::size_t first = 0;
    while (first < s.size() && std::isspace(static_cast<unsigned char>(s[first]))) ++first;
    s.erase(0, first);
    if (s.empty()) return false;
    // Only the user's separator is a decimal point; a '.' in a ',' locale is not a number.
    for (char& c : s) {
        if (c == Fmt.DecimalSeparator)
            c = '.';
        else if (c == '.')
            return false;
    }
    errno = 0;
    char* end = nullptr;
    long double v = std::strtold(s.c_str(), &end);  // LC_NUMERIC stays "C"
    if (end == s.c_str() || *end != '\0' || errno == ERANGE) return false;
    Value = v;
    return true;
}

}  // namespace trimora
