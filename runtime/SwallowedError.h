#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace trimora {

// For a catch block that drops an error on purpose (the program goes on): leaves one line
// naming Where and the error, on stderr in debug builds and in the --trace file when there is
// one. Never throws; safe from any thread.
void ReportSwallowed(std::string_view Where, std::exception_ptr Error);

// The line ReportSwallowed writes.
std::string SwallowedLine(std::string_view Where, std::exception_ptr Error);

}  // namespace trimora
