#include "runtime/SwallowedError.h"

#include <cstdio>

#include "runtime/Application.h"

namespace trimora {

namespace {

std::string Describe(std::exception_ptr Error) {
    if (!Error) return "no error";
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an error of unknown type";
    }
}

}  // namespace

std::string SwallowedLine(std::string_view Where, std::exception_ptr Error) {
    std::string line = "error ignored in ";
    line += Where;
    line += ": ";
    line += Describe(Error);
    return line;
}

void ReportSwallowed(std::string_view Where, std::exception_ptr Error) {
    // The catch blocks that call this must not throw from there: a failed report is dropped.
    try {
        const std::string line = SwallowedLine(Where, Error);
#ifndef NDEBUG
        std::fprintf(stderr, "trimora: %s\n", line.c_str());
#endif
        if (TTraceLog* log = Application::Instance().TraceLog()) log->WriteLine(line);
    } catch (...) {
    }
}

}  // namespace trimora
