#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace trimora::test {

// The program (or any) as a child process with an environment of the test's choosing, its
// standard output and error going to files in Scratch.
class ProgramProcess {
  public:
    // Env: variables to set over this process's environment; std::nullopt removes one.
    ProgramProcess(std::vector<std::string> Args,
                   std::map<std::string, std::optional<std::string>> Env, std::string Scratch,
                   std::string Name = "program");
    ~ProgramProcess();  // kills it if it still runs
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Start();
    bool Running();
    // The process id while it runs (for /proc), else -1.
    pid_t Pid() const { return FStatus ? -1 : FPid; }
    void Signal(int Number);
    // The exit status (128 + signal when killed by one), or -1 when it does not end in time.
    int Wait(std::chrono::milliseconds Timeout);
    std::string Out() const;
    std::string Err() const;

  private:
    std::vector<std::string> FArgs;
    std::map<std::string, std::optional<std::string>> FEnv;
    std::string FOut, FErr;
    pid_t FPid = -1;
    std::optional<int> FStatus;
};

// Runs it to its end (or kills it at Timeout) and gives its exit status.
int RunToEnd(ProgramProcess& Process, std::chrono::milliseconds Timeout);

struct ProgramOutcome {
    int Status = -1;  // exit status, 128 + signal, or -1: still running at the deadline (killed)
    std::string Out, Err;
};

// Runs Argv (Argv[0] is looked up in PATH) with this process's environment to its end or until
// Timeout, its output in files under Scratch, and collects its status and output.
ProgramOutcome RunProgram(const std::vector<std::string>& Argv, const std::string& Scratch,
                          std::chrono::milliseconds Timeout);

}  // namespace trimora::test
