#include "serial/win32/RegistryPorts.h"

#include <cstring>

#include "serial/win32/WindowsApi.h"

namespace trimora {

namespace {

constexpr DWORD kNameChars = 256;
constexpr DWORD kDataBytes = 256;

// "HKLM\sub\key" or "HKCU\sub\key" as a root key and the path under it.
bool SplitKey(const std::string& Key, HKEY& Root, std::string& Path) {
    const std::size_t slash = Key.find('\\');
    if (slash == std::string::npos) return false;
    const std::string root = Key.substr(0, slash);
    Path = Key.substr(slash + 1);
    if (root == "HKLM" || root == "HKEY_LOCAL_MACHINE")
        Root = HKEY_LOCAL_MACHINE;
    else if (root == "HKCU" || root == "HKEY_CURRENT_USER")
        Root = HKEY_CURRENT_USER;
    else
        return false;
    return true;
}

}  // namespace

TRegistryRead ReadRegistryPortNames(const std::string& Key, std::vector<std::string>& Names) {
    Names.clear();
    HKEY root = nullptr;
    std::string path;
    HKEY key = nullptr;
    if (!SplitKey(Key, root, path) ||
        RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return TRegistryRead::rrNoKey;
    LONG status = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index) {
        // Fresh buffers for every value.
        char name[kNameChars];
        BYTE data[kDataBytes];
        DWORD nameLength = kNameChars;
        DWORD dataLength = kDataBytes;
        DWORD type = 0;
        status = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength);
        if (status != ERROR_SUCCESS) break;
        // The port's name, without the terminating zero the data usually holds.
        const char* text = reinterpret_cast<const char*>(data);
        Names.emplace_back(text, strnlen(text, dataLength));
    }
    RegCloseKey(key);
    if (status != ERROR_NO_MORE_ITEMS) {
        Names.clear();
        return TRegistryRead::rrUnreadable;
    }
    return TRegistryRead::rrDone;
}

}  // namespace trimora
