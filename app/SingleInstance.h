#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace trimora {

// One Trimora per user and display. The first start holds a lock for its whole life, which the
// system releases however the process ends, so a crashed instance blocks nothing; it listens on
// a local socket beside the lock. A later start finds the lock held, asks the first one through
// the socket to bring its window to the front, and ends.
class TSingleInstance : public QObject {
    Q_OBJECT
  public:
    // Folder: where the lock and the socket live, $XDG_RUNTIME_DIR (private to the user) or a
    // folder of the user's own under /tmp. Display: which display the instance belongs to.
    TSingleInstance(std::string Folder = DefaultFolder(), std::string Display = DisplayName());
    ~TSingleInstance() override;

    static std::string DefaultFolder();
    // The platform and display the window would go to ("xcb :0", "wayland wayland-0",
    // "offscreen"), from the environment, so that it is known before any window exists.
    static std::string DisplayName();
    const std::string& SocketPath() const { return FSocketPath; }

    // True when no other instance holds the lock: this one is the first. A lock that cannot be
    // made (no folder) counts as free: a start is never refused for it.
    bool Claim();
    // From a later start: asks the first instance to show its window; true when it confirmed
    // within Timeout (it may still be starting: the request is retried meanwhile).
    bool AskToShow(std::chrono::milliseconds Timeout) const;
    // The first instance, once the QApplication exists: serves requests from later starts,
    // calling OnShowRequest for each on the GUI thread. False, with the reason, when it cannot.
    bool Listen(std::string& Error);
    std::function<void()> OnShowRequest;
    // Stops serving (before the QApplication goes); the lock stays until this object goes.
    void StopListening();

  private:
    void ServeClient();

    std::string FLockPath, FSocketPath;
    int FLockFd = -1;
    std::unique_ptr<QLocalServer> FServer;
};

}  // namespace trimora
