#include "serial/DeviceNodeEvents.h"

#include "serial/PortList.h"
#include "serial/win32/WindowsApi.h"

namespace trimora {

// The registry's list of ports changes when an adapter comes or goes: a notification on its key
// brings the next look forward.
struct TDeviceNodeEvents::TImpl {
    HKEY Key = nullptr;
    HANDLE Changed = nullptr;

    bool Arm() {
        return RegNotifyChangeKeyValue(Key, FALSE,
                                       REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, Changed,
                                       TRUE) == ERROR_SUCCESS;
    }
};

TDeviceNodeEvents::TDeviceNodeEvents(std::function<void()> OnChange,
                                     std::function<void(const std::string&)> OnRemoved)
    : FOnChange(std::move(OnChange)),
      FOnRemoved(std::move(OnRemoved)),
      FImpl(std::make_unique<TImpl>()) {}

TDeviceNodeEvents::~TDeviceNodeEvents() {
    Stop();
}

void TDeviceNodeEvents::Follow(const std::vector<std::string>& /*Folders*/) {
    Stop();
    const std::string list = MachinePortList();
    const std::string path = list.substr(list.find('\\') + 1);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_NOTIFY, &FImpl->Key) !=
        ERROR_SUCCESS) {
        FImpl->Key = nullptr;
        return;
    }
    FImpl->Changed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (FImpl->Changed == nullptr || !FImpl->Arm()) {
        Stop();
        return;
    }
    // Kernel handles fit the loop's watch value (their upper bits are never used).
    FWatch = Application::Instance().Watch(
        static_cast<int>(reinterpret_cast<std::intptr_t>(FImpl->Changed)), [this] { Drain(); });
}

void TDeviceNodeEvents::Stop() {
    if (FWatch != 0) Application::Instance().Unwatch(FWatch);
    FWatch = 0;
    if (FImpl->Key != nullptr) RegCloseKey(FImpl->Key);  // ends the notification
    FImpl->Key = nullptr;
    if (FImpl->Changed != nullptr) CloseHandle(FImpl->Changed);
    FImpl->Changed = nullptr;
}

void TDeviceNodeEvents::Drain() {
    ResetEvent(FImpl->Changed);
    // A notification tells one change: ask for the next before looking.
    if (!FImpl->Arm()) {
        Stop();
        return;
    }
    // The handler may follow again or stop: nothing of this object is used after it.
    if (FOnChange) FOnChange();
}

}  // namespace trimora
