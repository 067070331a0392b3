#include "serial/DeviceNodeEvents.h"

#include <sys/inotify.h>
#include <unistd.h>

namespace trimora {

TDeviceNodeEvents::TDeviceNodeEvents(std::function<void()> OnChange)
    : FOnChange(std::move(OnChange)) {}

TDeviceNodeEvents::~TDeviceNodeEvents() {
    Stop();
}

void TDeviceNodeEvents::Follow(const std::vector<std::string>& Folders) {
    Stop();
    FFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (FFd < 0) return;
    bool any = false;
    // A node created, a link made or moved in, permissions set once udev has seen the device.
    for (const std::string& folder : Folders)
        any |= ::inotify_add_watch(FFd, folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_ATTRIB) >= 0;
    if (!any) {
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
}

void TDeviceNodeEvents::Drain() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (;;) {
        const ssize_t n = ::read(FFd, buffer, sizeof buffer);
        if (n <= 0) break;
        changed = true;
    }
    if (changed && FOnChange) FOnChange();
}

}  // namespace trimora
