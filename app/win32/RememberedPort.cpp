#include "app/logic/RememberedPort.h"

#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/logic/IniText.h"

namespace trimora {

namespace {

constexpr const char* kPortKey = "Dongle/Port";

std::string FileText(const std::string& File) {
    std::ifstream in(File, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string TRememberedPort::DefaultFile() {
    // The user's roaming application data, where Windows programs keep their settings.
    char folder[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
        return {};
    return std::string(folder) + "\\Trimora\\Trimora.conf";
}

std::string TRememberedPort::Load(std::string* Ignored) const {
    const std::string why = Unreadable();
    if (Ignored != nullptr) *Ignored = why;
    if (!why.empty() || FFile.empty()) return {};
    const std::optional<std::string> value = ReadIniText(FileText(FFile), kPortKey);
    return value ? PlainName(*value) : std::string();
}

bool TRememberedPort::Store(const std::string& Port, std::string& Error) const {
    Error = "cannot write " + FFile;
    if (FFile.empty()) return false;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(FFile).parent_path(), ignored);
    // What is ignored at loading is not kept: the new file replaces it.
    const std::string old = Unreadable().empty() ? FileText(FFile) : std::string();
    // A reader sees the old file or the new one whole, never one half written.
    const std::string fresh = FFile + "." + std::to_string(GetCurrentProcessId()) + ".new";
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out << WithIniText(old, kPortKey, Port, "\r\n");
        out.close();
        if (!out) {
            DeleteFileA(fresh.c_str());
            return false;
        }
    }
    if (!MoveFileExA(fresh.c_str(), FFile.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(fresh.c_str());
        return false;
    }
    Error.clear();
    return true;
}

}  // namespace trimora
