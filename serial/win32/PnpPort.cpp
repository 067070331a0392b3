#include "serial/win32/PnpPort.h"

// clang-format off
#include "serial/win32/WindowsApi.h"
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cwctype>

#include "serial/win32/PortName.h"

namespace trimora {

namespace {

// Longer texts are cut: nobody reads more, and a hostile device must not fill the terminal.
constexpr std::size_t kMaxChars = 128;
// Registry texts are read into buffers of this size; a longer one is left out.
constexpr DWORD kBufferChars = 1024;

// Text of at most kMaxChars UTF-16 units up to its first zero (registry data need not hold one),
// never ending inside a surrogate pair, as UTF-8.
std::string Utf8(const wchar_t* Text, std::size_t Chars) {
    const std::size_t zero = std::find(Text, Text + Chars, L'\0') - Text;
    std::size_t n = std::min(zero, kMaxChars);
    if (n > 0 && n < zero && Text[n - 1] >= 0xD800 && Text[n - 1] <= 0xDBFF) --n;
    if (n == 0) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, Text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, Text, static_cast<int>(n), out.data(), size, nullptr,
                            nullptr);
    return out;
}

// A text property of the device (the first string of a list); empty when it has none.
std::string Property(HDEVINFO Set, SP_DEVINFO_DATA& Device, DWORD Which) {
    wchar_t text[kBufferChars];
    DWORD type = 0, size = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(Set, &Device, Which, &type,
                                           reinterpret_cast<BYTE*>(text), sizeof text, &size))
        return {};
    if (type != REG_SZ && type != REG_MULTI_SZ) return {};
    return Utf8(text, std::min<std::size_t>(size / sizeof(wchar_t), kBufferChars));
}

// The "PortName" value of the device's own registry key.
std::wstring DevicePortName(HDEVINFO Set, SP_DEVINFO_DATA& Device) {
    HKEY key = SetupDiOpenDevRegKey(Set, &Device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t name[64];
    DWORD type = 0, size = sizeof name;
    const LONG status =
        RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return {};
    const std::size_t chars = size / sizeof(wchar_t);
    return std::wstring(name, std::find(name, name + chars, L'\0'));
}

bool SameName(const std::wstring& A, const std::string& B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](wchar_t a, char b) {
               return std::towupper(a) == std::towupper(static_cast<unsigned char>(b));
           });
}

}  // namespace

std::optional<TPnpPort> FindPnpPort(const std::string& PortName) {
    const std::string bare = BarePortName(PortName);
    if (bare.empty()) return std::nullopt;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<TPnpPort> found;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; !found && SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        if (!SameName(DevicePortName(set, device), bare)) continue;
        found = TPnpPort{Property(set, device, SPDRP_FRIENDLYNAME),
                         Property(set, device, SPDRP_HARDWAREID), Property(set, device, SPDRP_MFG),
                         Property(set, device, SPDRP_SERVICE)};
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

}  // namespace trimora
