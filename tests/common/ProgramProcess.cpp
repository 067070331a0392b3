#include "tests/common/ProgramProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "tests/common/FileContents.h"

extern char** environ;

namespace trimora::test {

ProgramProcess::ProgramProcess(std::vector<std::string> Args,
                               std::map<std::string, std::optional<std::string>> Env,
                               std::string Scratch, std::string Name)
    : FArgs(std::move(Args)),
      FEnv(std::move(Env)),
      FOut(Scratch + "/" + Name + ".out"),
      FErr(Scratch + "/" + Name + ".err") {}

ProgramProcess::~ProgramProcess() {
    if (FPid > 0 && !FStatus) {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, nullptr, 0);
    }
}

bool ProgramProcess::Start() {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (FEnv.count(entry.substr(0, entry.find('='))) == 0) env.push_back(entry);
    }
    for (const auto& [name, value] : FEnv)
        if (value) env.push_back(name + "=" + *value);
    std::vector<char*> envp, argv;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (std::string& a : FArgs) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, FOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, FErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int spawned = ::posix_spawnp(&FPid, argv[0], &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) FPid = -1;
    return spawned == 0;
}

bool ProgramProcess::Running() {
    if (FPid <= 0 || FStatus) return false;
    int status = 0;
    if (::waitpid(FPid, &status, WNOHANG) != FPid) return true;
    FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

void ProgramProcess::Signal(int Number) {
    if (Running()) ::kill(FPid, Number);
}

int ProgramProcess::Wait(std::chrono::milliseconds Timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return FStatus.value_or(-1);
}

std::string ProgramProcess::Out() const {
    return FileText(FOut);
}
std::string ProgramProcess::Err() const {
    return FileText(FErr);
}

int RunToEnd(ProgramProcess& Process, std::chrono::milliseconds Timeout) {
    if (!Process.Start()) return -1;
    const int status = Process.Wait(Timeout);
    if (status == -1) Process.Signal(SIGKILL);
    return status;
}

ProgramOutcome RunProgram(const std::vector<std::string>& Argv, const std::string& Scratch,
                          std::chrono::milliseconds Timeout) {
    ProgramProcess process(Argv, {}, Scratch);
    ProgramOutcome result;
    result.Status = RunToEnd(process, Timeout);
    result.Out = process.Out();
    result.Err = process.Err();
    return result;
}

}  // namespace trimora::test
