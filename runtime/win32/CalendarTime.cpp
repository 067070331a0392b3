#include "runtime/CalendarTime.h"

#include <iomanip>
#include <locale>
#include <sstream>

namespace trimora {

std::tm LocalCalendarTime(std::time_t When) {
    std::tm tm{};
    localtime_s(&tm, &When);
    return tm;
}

const char* ParseCalendarTime(const char* Text, const char* Format, std::tm& Out) {
    // The C library here has no strptime: the standard library's reader of the same notation.
    std::istringstream in(Text);
    in.imbue(std::locale::classic());
    in >> std::get_time(&Out, Format);
    if (in.fail()) return nullptr;
    const std::streamoff read =
        in.eof() ? static_cast<std::streamoff>(std::char_traits<char>::length(Text))
                 : static_cast<std::streamoff>(in.tellg());
    return Text + read;
}

}  // namespace trimora
