#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace trimora {

// One Trimora per user and logon session: the first start holds a named mutex for its whole
// life, which the system releases however the process ends. A later start finds it held, asks
// the running window to the front and ends.
class TWin32SingleInstance {
  public:
    explicit TWin32SingleInstance(std::string Name = DefaultName());
    ~TWin32SingleInstance();
    TWin32SingleInstance(const TWin32SingleInstance&) = delete;
    TWin32SingleInstance& operator=(const TWin32SingleInstance&) = delete;

    // In the session's own namespace, with the user's name: another user's Trimora in the same
    // session (run as that user) is not this user's.
    static std::string DefaultName();
    const std::string& Name() const { return FName; }

    // True when no other instance holds the mutex. A mutex that cannot be made for another
    // reason counts as free: a start is never refused for it.
    bool Claim();
    bool AskToShow(std::chrono::milliseconds Timeout) const;
    // The calibration window answers a later start's request itself: nothing to serve here.
    bool Listen(std::string& /*Error*/) { return true; }
    void StopListening() {}
    std::function<void()> OnShowRequest;

  private:
    std::string FName;
    HANDLE FMutex = nullptr;
};

}  // namespace trimora
