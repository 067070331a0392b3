#include "tests/wine/WineSession.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "tests/common/ProgramProcess.h"

namespace trimora::test {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Debian's wine64 loader itself: /usr/bin/wine would try the 32-bit loader first.
constexpr const char* Wine = "/usr/lib/wine/wine64";
constexpr const char* WineServer = "/usr/lib/wine/wineserver";
constexpr const char* SerialComm = "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

std::string PortValueName(int Number) {
    return "\\Device\\TrimoraTest" + std::to_string(Number);
}

}  // namespace

WineSession::WineSession(std::string Prefix, std::string Scratch)
    : FPrefix(std::move(Prefix)), FScratch(std::move(Scratch)) {}

WineSession::~WineSession() {
    if (FServerStarted) RunTool({WineServer, "-k"}, nullptr);
}

WineSession::Env WineSession::Environment() const {
    return {
        {"WINEPREFIX", FPrefix}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
}

std::vector<std::string> WineSession::Command(
    const std::vector<std::string>& WindowsCommand) const {
    std::vector<std::string> argv = {Wine};
    argv.insert(argv.end(), WindowsCommand.begin(), WindowsCommand.end());
    return argv;
}

int WineSession::RunTool(const std::vector<std::string>& Argv, std::string* Output) {
    ProgramProcess tool(Argv, Environment(), FScratch, "wine-tool");
    const int status = RunToEnd(tool, 120s);
    if (Output != nullptr) *Output = tool.Out();
    return status;
}

int WineSession::Run(const std::vector<std::string>& WindowsCommand, std::string* Output) {
    return RunTool(Command(WindowsCommand), Output);
}

void WineSession::WaitForServerEnd() {
    RunTool({WineServer, "-w"}, nullptr);
}

bool WineSession::Start(std::string& Error) {
    std::error_code ignored;
    fs::create_directories(FPrefix, ignored);
    if (!fs::exists(fs::path(FPrefix) / "system.reg")) {
        // The prefix, once per build folder (several seconds).
        if (Run({"wineboot", "-i"}) != 0) {
            Error = "wineboot could not make the prefix " + FPrefix;
            return false;
        }
        WaitForServerEnd();
    }
    // A server of this prefix left by a run that was cut short is this build's own.
    RunTool({WineServer, "-k"}, nullptr);
    // Kept running: SERIALCOMM is rebuilt whenever a server starts.
    if (RunTool({WineServer, "-p"}, nullptr) != 0) {
        Error = "wineserver did not start";
        return false;
    }
    FServerStarted = true;
    return true;
}

bool WineSession::PlugComPort(int Number, const std::string& DevicePath, std::string& Error) {
    const fs::path link = fs::path(FPrefix) / "dosdevices" / ("com" + std::to_string(Number));
    std::error_code ignored;
    fs::remove(link, ignored);
    std::error_code error;
    fs::create_symlink(DevicePath, link, error);
    if (error) {
        Error = "cannot link " + link.string() + ": " + error.message();
        return false;
    }
    if (Run({"reg", "add", SerialComm, "/v", PortValueName(Number), "/t", "REG_SZ", "/d",
             "COM" + std::to_string(Number), "/f"}) != 0) {
        Error = "cannot add COM" + std::to_string(Number) + " to SERIALCOMM";
        return false;
    }
    return true;
}

void WineSession::UnplugComPort(int Number) {
    Run({"reg", "delete", SerialComm, "/v", PortValueName(Number), "/f"});
    std::error_code ignored;
    fs::remove(fs::path(FPrefix) / "dosdevices" / ("com" + std::to_string(Number)), ignored);
}

std::string WineSession::HostPath(const std::string& WindowsPath) const {
    // C:\a\b -> <prefix>/drive_c/a/b
    std::string rest = WindowsPath.size() > 3 ? WindowsPath.substr(3) : std::string();
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return (fs::path(FPrefix) / "drive_c" / rest).string();
}

}  // namespace trimora::test
