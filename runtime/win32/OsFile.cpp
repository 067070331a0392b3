#include "runtime/OsFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace trimora {

namespace {

HANDLE AsHandle(std::intptr_t File) {
    return reinterpret_cast<HANDLE>(File);
}

}  // namespace

int OpenForAppend(const std::string& Path, std::intptr_t& File) {
    // Others may read the file while it grows (a viewer following the trace).
    HANDLE h = CreateFileA(Path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    File = reinterpret_cast<std::intptr_t>(h);
    return 0;
}

int AppendBytes(std::intptr_t File, const char* Data, std::size_t Count) {
    for (std::size_t done = 0; done < Count;) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Count - done, 1u << 30));
        if (!WriteFile(AsHandle(File), Data + done, chunk, &written, nullptr))
            return static_cast<int>(GetLastError());
        if (written == 0) return ERROR_DISK_FULL;
        done += written;
    }
    return 0;
}

void CloseOsFile(std::intptr_t File) {
    if (File != NoOsFile) CloseHandle(AsHandle(File));
}

std::string OsErrorText(int Error) {
    return std::system_category().message(Error);
}

std::string LocalTimeOfDayStamp() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u ", local.wHour, local.wMinute,
                  local.wSecond, local.wMilliseconds);
    return text;
}

}  // namespace trimora
