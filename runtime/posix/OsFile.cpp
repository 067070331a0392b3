#include "runtime/OsFile.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace trimora {

int OpenForAppend(const std::string& Path, std::intptr_t& File) {
    const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    File = fd;
    return 0;
}

int AppendBytes(std::intptr_t File, const char* Data, std::size_t Count) {
    for (std::size_t done = 0; done < Count;) {
        const ssize_t n = ::write(static_cast<int>(File), Data + done, Count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

void CloseOsFile(std::intptr_t File) {
    if (File >= 0) ::close(static_cast<int>(File));
}

std::string OsErrorText(int Error) {
    return std::strerror(Error);
}

std::string LocalTimeOfDayStamp() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld ", local.tm_hour, local.tm_min,
                  local.tm_sec, now.tv_nsec / 1000000);
    return text;
}

}  // namespace trimora
