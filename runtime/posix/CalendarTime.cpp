#include "runtime/CalendarTime.h"

#include <time.h>

namespace trimora {

std::tm LocalCalendarTime(std::time_t When) {
    std::tm tm{};
    localtime_r(&When, &tm);
    return tm;
}

const char* ParseCalendarTime(const char* Text, const char* Format, std::tm& Out) {
    return strptime(Text, Format, &Out);
}

}  // namespace trimora
