#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace trimora {

// One Trimora per user and display. The first start holds a lock for its whole life, which the
// system releases however the process ends, so a crashed instance blocks nothing; it listens on
// a local socket beside the lock. A later start finds the lock held, asks the first one through
// the socket to bring its window to the front, and ends.
class TSingleInstance {
  public:
    // Folder: where the lock and the socket live (DefaultFolder()). Display: which display the
    // instance belongs to. Without a folder there is no check: every start is a first one.
    TSingleInstance(std::string Folder, std::string Display = DisplayName());
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // $XDG_RUNTIME_DIR (private to the user; made when missing, as Qt would), else the user's own
    // folder under /tmp, made when missing. Empty, with the reason in Why, when that name is taken
    // by something else (another user's folder, one others may write to, no folder): what another
    // user controls must not decide whether the program starts or where its socket lives.
    static std::string DefaultFolder(std::string& Why);
    // The platform and display the window would go to ("xcb :0", "wayland wayland-0",
    // "offscreen"), from the environment, so that it is known before any window exists. An X
    // display's screen number is left out: ":0.0" is the display ":0".
    static std::string DisplayName();
    const std::string& SocketPath() const { return FSocketPath; }

    // True when no other instance holds the lock: this one is the first. A lock that cannot be
    // made counts as free, so a start is never refused for it, but it is told through Warn.
    bool Claim();
    std::function<void(const std::string&)> Warn;
    // From a later start: asks the first instance to show its window; true when it confirmed
    // within Timeout (it may still be starting: the request is retried meanwhile).
    bool AskToShow(std::chrono::milliseconds Timeout) const;
    // The first instance: serves requests from later starts in the GUI loop's descriptor watch,
    // calling OnShowRequest for each on the GUI thread. False, with the reason, when it cannot.
    // Without a folder there is nothing to serve: true.
    bool Listen(std::string& Error);
    std::function<void()> OnShowRequest;
    // Stops serving (before the GUI loop goes); the lock stays until this object goes.
    void StopListening();

  private:
    using TWatchId = std::uint64_t;
    struct TClient {
        TWatchId Watch = 0;
        std::string Received;
    };
    void Accept();
    void ServeClient(int Fd);
    void Drop(int Fd);

    std::string FLockPath, FSocketPath;
    int FLockFd = -1;
    int FServerFd = -1;
    TWatchId FServerWatch = 0;
    std::map<int, TClient> FClients;  // by descriptor
};

}  // namespace trimora
