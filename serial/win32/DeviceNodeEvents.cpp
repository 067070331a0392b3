#include "serial/DeviceNodeEvents.h"

namespace trimora {

// Windows has no device folders to watch: the periodic look at the port list finds every port
// that comes or goes.
TDeviceNodeEvents::TDeviceNodeEvents(std::function<void()> OnChange,
                                     std::function<void(const std::string&)> OnRemoved)
    : FOnChange(std::move(OnChange)), FOnRemoved(std::move(OnRemoved)) {}

TDeviceNodeEvents::~TDeviceNodeEvents() {
    Stop();
}

void TDeviceNodeEvents::Follow(const std::vector<std::string>& /*Folders*/) {}

void TDeviceNodeEvents::Stop() {
    FWatch = 0;
}

void TDeviceNodeEvents::Drain() {}

}  // namespace trimora
