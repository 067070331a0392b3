#include "app/win32/Win32SingleInstance.h"

#include "app/win32/Win32ShowRequest.h"

namespace trimora {

TWin32SingleInstance::TWin32SingleInstance(std::string Name) : FName(std::move(Name)) {}

TWin32SingleInstance::~TWin32SingleInstance() {
    if (FMutex != nullptr) CloseHandle(FMutex);
}

std::string TWin32SingleInstance::DefaultName() {
    char user[257] = "";
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size)) user[0] = '\0';
    std::string name = std::string("Local\\Trimora-") + user;
    // A backslash would name a namespace.
    for (std::size_t i = 6; i < name.size(); ++i)
        if (name[i] == '\\') name[i] = '_';
    return name;
}

bool TWin32SingleInstance::Claim() {
    if (FMutex != nullptr) return true;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, FName.c_str());
    const DWORD error = GetLastError();
    if (mutex != nullptr && error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    // Made by a process of other rights under this name: an instance runs.
    if (mutex == nullptr) return error != ERROR_ACCESS_DENIED;
    FMutex = mutex;
    return true;
}

bool TWin32SingleInstance::AskToShow(std::chrono::milliseconds Timeout) const {
    return AskRunningWindowToFront(Timeout);
}

}  // namespace trimora
