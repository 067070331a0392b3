#include "runtime/TraceFile.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace trimora {

namespace {

std::string TimeOfDay() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld ", local.tm_hour, local.tm_min,
                  local.tm_sec, now.tv_nsec / 1000000);
    return text;
}

}  // namespace

TTraceFile::TTraceFile(std::string Path) : FPath(std::move(Path)) {
    const int fd = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail("open", errno);
    else
        FFd.store(fd);
}

TTraceFile::~TTraceFile() {
    std::lock_guard lock(FMutex);
    if (const int fd = FFd.exchange(-1); fd >= 0) ::close(fd);
}

void TTraceFile::WriteLine(const std::string& Line) {
    if (FFd.load() < 0) return;
    // Stamped under the lock, so that lines from several threads stand in the file in the
    // order of their times.
    std::lock_guard lock(FMutex);
    const std::string text = TimeOfDay() + Line + "\n";
    const int fd = FFd.load();
    if (fd < 0) return;
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail("write", n < 0 ? errno : ENOSPC);
            ::close(FFd.exchange(-1));
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

void TTraceFile::Fail(const char* What, int Error) {
    std::fprintf(stderr, "trimora: cannot %s the trace file %s: %s; tracing to it stops\n", What,
                 FPath.c_str(), std::strerror(Error));
}

TTraceLogPane::TTraceLogPane(TTraceLog& Log) {
    OnLineAdded = [this, &Log](const std::string& Line) {
        Log.WriteLine(Line);
        Clear();
    };
}

}  // namespace trimora
