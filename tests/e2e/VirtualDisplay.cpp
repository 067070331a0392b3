#include "tests/e2e/VirtualDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

extern char** environ;

namespace trimora::test {

VirtualDisplay::~VirtualDisplay() {
    Stop();
}

bool VirtualDisplay::Start(std::string& Error, const std::string& Screen) {
    int fds[2];
    if (::pipe(fds) != 0) {
        Error = "pipe failed";
        return false;
    }
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    // Xvfb writes the display number it chose to the descriptor given with -displayfd.
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args = {"Xvfb", "-displayfd", fd,          "-screen",
                                     "0",    Screen,       "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = ::posix_spawnp(&FPid, "Xvfb", nullptr, nullptr, argv.data(), environ);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        FPid = -1;
        Error = "cannot run Xvfb (package xvfb)";
        return false;
    }
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char c;
        if (::read(fds[0], &c, 1) != 1) break;
        if (c == '\n') break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
        Stop();
        Error = "Xvfb did not report a display";
        return false;
    }
    FName = ":" + number;
    return true;
}

bool VirtualDisplay::StartAsThisProcessDisplay(std::string& Error, const std::string& Screen) {
    if (!Start(Error, Screen)) return false;
    ::setenv("DISPLAY", FName.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}

void VirtualDisplay::Stop() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200 && ::waitpid(FPid, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (::waitpid(FPid, &status, WNOHANG) == 0) {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, &status, 0);
    }
    FPid = -1;
}

}  // namespace trimora::test
