#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Application.h"

namespace trimora {

// Tells, on the GUI thread, what happens to the entries of a few folders (/dev, the folder of a
// port's link): a device node that appears is looked at at once instead of at the next periodic
// look, and one that goes is known to be gone even when the same node is back before the next
// look. Folders that do not exist are left out; nothing is told where the system cannot watch
// (the periodic look still finds everything). On Windows, where ports have no folder, a change
// of the registry's list of ports is the change told, and removals are not told by name.
// GUI thread only.
class TDeviceNodeEvents {
  public:
    // OnRemoved gets the path of each entry that went (deleted or moved away); OnChange follows
    // once for every batch of events, removals included.
    explicit TDeviceNodeEvents(std::function<void()> OnChange,
                               std::function<void(const std::string& Path)> OnRemoved = {});
    ~TDeviceNodeEvents();
    TDeviceNodeEvents(const TDeviceNodeEvents&) = delete;
    TDeviceNodeEvents& operator=(const TDeviceNodeEvents&) = delete;

    // Watches these folders from now on, in place of the ones before.
    void Follow(const std::vector<std::string>& Folders);
    void Stop();
    bool Following() const { return FWatch != 0; }

  private:
    void Drain();

    std::function<void()> FOnChange;
    std::function<void(const std::string&)> FOnRemoved;
    Application::TWatchId FWatch = 0;
    struct TImpl;  // the operating system's watch
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace trimora
