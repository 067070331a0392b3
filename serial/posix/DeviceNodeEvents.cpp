#include "serial/DeviceNodeEvents.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace trimora {

namespace {
// The periodic look still finds every device; support should know why it is slower.
void TraceCannotWatch(const std::string& What, int Errno) {
    if (TTraceLog* log = Application::Instance().TraceLog())
        log->WriteLine("device events: cannot watch " + What + ": " + std::strerror(Errno));
}
}  // namespace

struct TDeviceNodeEvents::TImpl {
    int Fd = -1;
    std::map<int, std::string> Folders;  // by watch descriptor
};

TDeviceNodeEvents::TDeviceNodeEvents(std::function<void()> OnChange,
                                     std::function<void(const std::string&)> OnRemoved)
    : FOnChange(std::move(OnChange)),
      FOnRemoved(std::move(OnRemoved)),
      FImpl(std::make_unique<TImpl>()) {}

TDeviceNodeEvents::~TDeviceNodeEvents() {
    Stop();
}

void TDeviceNodeEvents::Follow(const std::vector<std::string>& Folders) {
    Stop();
    FImpl->Fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (FImpl->Fd < 0) {
        TraceCannotWatch("any folder", errno);
        return;
    }
    // A node created or removed, a link made or moved in or away, permissions set once udev has
    // seen the device.
    constexpr std::uint32_t kMask = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE | IN_MOVED_FROM;
    for (const std::string& folder : Folders) {
        const int wd = ::inotify_add_watch(FImpl->Fd, folder.c_str(), kMask);
        if (wd >= 0)
            FImpl->Folders[wd] = folder;
        else if (errno != ENOENT && errno != ENOTDIR)
            TraceCannotWatch(folder, errno);
    }
    if (FImpl->Folders.empty()) {
        Stop();
        return;
    }
    FWatch = Application::Instance().Watch(FImpl->Fd, [this] { Drain(); });
}

void TDeviceNodeEvents::Stop() {
    if (FWatch != 0) Application::Instance().Unwatch(FWatch);
    FWatch = 0;
    if (FImpl->Fd >= 0) ::close(FImpl->Fd);
    FImpl->Fd = -1;
    FImpl->Folders.clear();
}

void TDeviceNodeEvents::Drain() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    std::vector<std::string> removed;
    for (;;) {
        const ssize_t n = ::read(FImpl->Fd, buffer, sizeof buffer);
        if (n <= 0) break;
        changed = true;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof(inotify_event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            if ((event.mask & (IN_DELETE | IN_MOVED_FROM)) == 0 || event.len == 0) continue;
            auto folder = FImpl->Folders.find(event.wd);
            if (folder != FImpl->Folders.end())
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
