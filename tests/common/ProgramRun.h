#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace trimora::test {

struct ProgramOutcome {
    int Status = -1;  // exit status, 128 + signal, or -1: still running at the deadline (killed)
    std::string Out, Err;
};

// Runs Argv (Argv[0] is looked up in PATH) with its standard input from /dev/null and its output
// in files under Scratch, waits for its end until Timeout, and collects its status and output.
ProgramOutcome RunProgram(const std::vector<std::string>& Argv, const std::string& Scratch,
                          std::chrono::milliseconds Timeout);

}  // namespace trimora::test
