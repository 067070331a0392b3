#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace trimora::test {

// Windows programs under wine for a test run: a prefix of the run's own (made once, in the build
// folder, never in the user's home), its server kept running so that the port values added to
// the registry's volatile SERIALCOMM key last, and COM ports mapped to pseudo-terminals.
class WineSession {
  public:
    using Env = std::map<std::string, std::optional<std::string>>;

    // Prefix: the prefix's folder; Scratch: where the wine tools' output goes.
    WineSession(std::string Prefix, std::string Scratch);
    ~WineSession();  // ends this prefix's server and every program in it
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    // Makes the prefix if it is not there yet and starts its server; false with Error set.
    bool Start(std::string& Error);

    // COMn as a device of wine's (a link in dosdevices) and in SERIALCOMM, as a plugged-in
    // adapter appears on Windows.
    bool PlugComPort(int Number, const std::string& DevicePath, std::string& Error);
    // Gone from both, as an unplugged adapter.
    void UnplugComPort(int Number);

    // The environment for programs of this prefix (DISPLAY comes from this process's).
    Env Environment() const;
    // The command line that runs a Windows program with its arguments.
    std::vector<std::string> Command(const std::vector<std::string>& WindowsCommand) const;
    // Runs a Windows program (wine's reg, an installer, ...) to its end; its exit status.
    int Run(const std::vector<std::string>& WindowsCommand, std::string* Output = nullptr);

    const std::string& Prefix() const { return FPrefix; }
    // A Windows path (C:\...) as a path here.
    std::string HostPath(const std::string& WindowsPath) const;

  private:
    int RunTool(const std::vector<std::string>& Argv, std::string* Output);
    // Until the prefix's server ends (which a server started to stay never does).
    void WaitForServerEnd();

    std::string FPrefix;
    std::string FScratch;
    bool FServerStarted = false;
};

}  // namespace trimora::test
