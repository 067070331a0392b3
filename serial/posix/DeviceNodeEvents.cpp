#include "serial/DeviceNodeEvents.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

namespace trimora {

TDeviceNodeEvents::TDeviceNodeEvents(std::function<void()> OnChange,
                                     std::function<void(const std::string&)> OnRemoved)
    : FOnChange(std::move(OnChange)), FOnRemoved(std::move(OnRemoved)) {}

TDeviceNodeEvents::~TDeviceNodeEvents() {
    Stop();
}

void TDeviceNodeEvents::Follow(const std::vector<std::string>& Folders) {
    Stop();
    FFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (FFd < 0) return;
    // A node created or removed, a link made or moved in or away, permissions set once udev has
    // seen the device.
    constexpr std::uint32_t kMask = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE | IN_MOVED_FROM;
    for (const std::string& folder : Folders) {
        const int wd = ::inotify_add_watch(FFd, folder.c_str(), kMask);
        if (wd >= 0) FFolders[wd] = folder;
    }
    if (FFolders.empty()) {
        Stop();
        return;
    }
    FWatch = Application::Instance().Watch(FFd, [this] { Drain(); });
}

void TDeviceNodeEvents::Stop() {
    if (FWatch != 0) Application::Instance().Unwatch(FWatch);
    FWatch = 0;
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    FFolders.clear();
}

void TDeviceNodeEvents::Drain() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    std::vector<std::string> removed;
    for (;;) {
        const ssize_t n = ::read(FFd, buffer, sizeof buffer);
        if (n <= 0) break;
        changed = true;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof(inotify_event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            if ((event.mask & (IN_DELETE | IN_MOVED_FROM)) == 0 || event.len == 0) continue;
            auto folder = FFolders.find(event.wd);
            if (folder != FFolders.end())
                removed.push_back(folder->second + "/" +
                                  std::string(name, ::strnlen(name, event.len)));
        }
    }
    // The handlers may follow other folders or stop: nothing of this object is used after them.
    if (FOnRemoved)
        for (const std::string& path : removed) FOnRemoved(path);
    if (changed && FOnChange) FOnChange();
}

}  // namespace trimora
