#include "tests/serial/win32/PortsClassDevice.h"

// clang-format off
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on

#include <cstring>

namespace trimora::test {

namespace {

// A text property; a list (the hardware ids) ends with a second zero.
bool SetText(HDEVINFO Set, SP_DEVINFO_DATA& Device, DWORD Which, const std::wstring& Text,
             bool List = false) {
    if (Text.empty()) return true;
    std::wstring data = Text + L'\0';
    if (List) data += L'\0';
    return SetupDiSetDeviceRegistryPropertyW(Set, &Device, Which,
                                             reinterpret_cast<const BYTE*>(data.c_str()),
                                             static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

}  // namespace

PortsClassDevice::PortsClassDevice(const Properties& Device) {
    static_assert(sizeof(SP_DEVINFO_DATA) <= sizeof FDevice);
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        FError = "SetupDiCreateDeviceInfoList failed: " + std::to_string(GetLastError());
        return;
    }
    FSet = set;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiCreateDeviceInfoW(set, L"TRIMORATEST", &GUID_DEVCLASS_PORTS, nullptr, nullptr,
                                  DICD_GENERATE_ID, &data)) {
        FError = "SetupDiCreateDeviceInfo failed: " + std::to_string(GetLastError());
        return;
    }
    std::memcpy(FDevice, &data, sizeof data);
    if (!SetText(set, data, SPDRP_FRIENDLYNAME, Device.FriendlyName) ||
        !SetText(set, data, SPDRP_HARDWAREID, Device.HardwareId, true) ||
        !SetText(set, data, SPDRP_MFG, Device.Manufacturer) ||
        !SetText(set, data, SPDRP_SERVICE, Device.Service)) {
        FError = "a device property was refused: " + std::to_string(GetLastError());
        return;
    }
    if (!SetupDiRegisterDeviceInfo(set, &data, 0, nullptr, nullptr, nullptr)) {
        FError = "SetupDiRegisterDeviceInfo failed: " + std::to_string(GetLastError());
        return;
    }
    HKEY key =
        SetupDiCreateDevRegKeyW(set, &data, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
    if (key == INVALID_HANDLE_VALUE) {
        FError = "SetupDiCreateDevRegKey failed: " + std::to_string(GetLastError());
        return;
    }
    const std::wstring name = Device.PortName + L'\0';
    RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>(name.size() * sizeof(wchar_t)));
    RegCloseKey(key);
}

PortsClassDevice::~PortsClassDevice() {
    if (FSet == nullptr) return;
    auto* data = reinterpret_cast<SP_DEVINFO_DATA*>(FDevice);
    if (data->cbSize != 0) SetupDiRemoveDevice(FSet, data);
    SetupDiDestroyDeviceInfoList(FSet);
}

}  // namespace trimora::test
