#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace trimora::test {

// openbox on this process's display, ended with the object. Windows mapped before it manages
// the display get no frame, so callers wait for Managing() before they show one.
class OpenboxProcess {
  public:
    // How long it may take to manage the display on a loaded machine before a test gives up.
    static constexpr std::chrono::seconds kStartLimit{15};

    // Folder holds its start-up mark and, when ConfigXml is not empty, its configuration.
    explicit OpenboxProcess(const std::string& Folder, std::string ConfigXml = "")
        : FStarted(Folder + "/openbox-started"),
          FConfig(ConfigXml.empty() ? "" : Folder + "/openbox-rc.xml"),
          FConfigXml(std::move(ConfigXml)) {}
    ~OpenboxProcess() {
        if (FPid <= 0) return;
        ::kill(FPid, SIGTERM);
        ::waitpid(FPid, nullptr, 0);
    }
    OpenboxProcess(const OpenboxProcess&) = delete;
    OpenboxProcess& operator=(const OpenboxProcess&) = delete;

    bool Start() {
        std::vector<std::string> args = {"openbox", "--sm-disable", "--startup",
                                         "touch '" + FStarted + "'"};
        if (!FConfig.empty()) {
            std::ofstream(FConfig) << FConfigXml;
            args.insert(args.end(), {"--config-file", FConfig});
        }
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&FPid, "openbox", nullptr, nullptr, argv.data(), environ) == 0)
            return true;
        FPid = -1;
        return false;
    }
    // openbox runs its start-up command once it manages the display.
    bool Managing() const { return std::ifstream(FStarted).good(); }

  private:
    std::string FStarted;
    std::string FConfig;
    std::string FConfigXml;
    pid_t FPid = -1;
};

}  // namespace trimora::test
