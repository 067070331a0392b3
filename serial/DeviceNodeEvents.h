#pragma once

#include <functional>
#include <string>
#include <vector>

#include "runtime/Application.h"

namespace trimora {

// Tells, on the GUI thread, that entries appeared or changed in a few folders (/dev, the folder
// of a port's link): a device node that appears is looked at at once instead of at the next
// periodic look. Folders that do not exist are left out; nothing is told where the system
// cannot watch (the periodic look still finds everything). GUI thread only.
class TDeviceNodeEvents {
  public:
    explicit TDeviceNodeEvents(std::function<void()> OnChange);
    ~TDeviceNodeEvents();
    TDeviceNodeEvents(const TDeviceNodeEvents&) = delete;
    TDeviceNodeEvents& operator=(const TDeviceNodeEvents&) = delete;

    // Watches these folders from now on, in place of the ones before.
    void Follow(const std::vector<std::string>& Folders);
    void Stop();

  private:
    void Drain();

    std::function<void()> FOnChange;
    int FFd = -1;
    Application::TWatchId FWatch = 0;
};

}  // namespace trimora
