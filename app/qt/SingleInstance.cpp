#include "app/qt/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "runtime/Application.h"

namespace trimora {

namespace {

// The request a later start sends, and the first instance's answer.
constexpr char kShow[] = "show\n";
constexpr char kShown[] = "shown\n";
// Longer than any request: a client that sends more is no later start.
constexpr std::size_t kLongestRequest = 64;

std::string Env(const char* Name) {
    const char* value = std::getenv(Name);
    return value != nullptr ? value : "";
}

// Name as a file name: letters, digits and . _ - kept, anything else made '_'.
std::string FileNamePart(const std::string& Name) {
    std::string out;
    for (unsigned char c : Name)
        out += std::isalnum(c) || c == '.' || c == '-' ? static_cast<char>(c) : '_';
    return out;
}

// One request over the socket at Path; true when the instance answered that it shows.
bool RequestShow(const std::string& Path, int TimeoutMs) {
    sockaddr_un address{};
    if (Path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, Path.c_str(), Path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    std::string answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, kShow, sizeof kShow - 1, MSG_NOSIGNAL) == sizeof kShow - 1) {
        pollfd in{fd, POLLIN, 0};
        char buffer[16];
        while (answer.find('\n') == std::string::npos && ::poll(&in, 1, TimeoutMs) > 0) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            answer.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return answer == kShown;
}

// The user's own folder under the temporary folder, made when missing. Empty, with the reason
// in Why, when that name is anything else: another user's, writable by others, no folder.
std::string PrivateTempFolder(std::string& Why) {
    // Empty when $TMPDIR names no folder: the name would then be one at the root.
    const std::string temp = QDir::tempPath().toStdString();
    if (temp.empty()) {
        Why = "the temporary folder " + Env("TMPDIR") + " is missing";
        return {};
    }
    const std::string folder = temp + "/trimora-" + std::to_string(::getuid());
    struct stat st {};
    if ((::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) ||
        ::lstat(folder.c_str(), &st) != 0)
        Why = "cannot make " + folder + ": " + std::strerror(errno);
    else if (!S_ISDIR(st.st_mode))
        Why = folder + " is not a folder";
    else if (st.st_uid != ::getuid())
        Why = folder + " belongs to another user";
    else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        Why = "others may write to " + folder;
    else
        return folder;
    return {};
}

// ":0.0" and ":0" (and "host:10.0", "host:10") name the same X display: the screen is dropped.
std::string WithoutScreen(const std::string& Display) {
    const auto digits = [](const std::string& Text) {
        return !Text.empty() && std::all_of(Text.begin(), Text.end(),
                                            [](unsigned char c) { return std::isdigit(c); });
    };
    const auto colon = Display.rfind(':');
    const auto dot = Display.rfind('.');
    if (colon == std::string::npos || dot == std::string::npos || dot < colon) return Display;
    if (!digits(Display.substr(colon + 1, dot - colon - 1)) || !digits(Display.substr(dot + 1)))
        return Display;
    return Display.substr(0, dot);
}

// A short name that stays the same for the same text (FNV-1a).
std::string Digest(const std::string& Text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : Text) hash = (hash ^ c) * 0x100000001b3ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace

TSingleInstance::TSingleInstance(std::string Folder, std::string Display) {
    if (Folder.empty()) return;
    const std::string base = Folder + "/trimora-" + FileNamePart(Display);
    FLockPath = base + ".lock";
    FSocketPath = base + ".socket";
    // A socket's path has to fit in sockaddr_un. Where the folder's path is too long for that
    // (a deep XDG_RUNTIME_DIR), the socket goes to the user's folder under /tmp, named after
    // the lock, so that every start with this folder and display still meets the same one.
    if (FSocketPath.size() >= sizeof sockaddr_un{}.sun_path) {
        std::string why;
        const std::string temp = PrivateTempFolder(why);
        if (!temp.empty()) FSocketPath = temp + "/trimora-" + Digest(FLockPath) + ".socket";
    }
}

TSingleInstance::~TSingleInstance() {
    StopListening();
    if (FLockFd >= 0) ::close(FLockFd);
}

void TSingleInstance::StopListening() {
    while (!FClients.empty()) Drop(FClients.begin()->first);
    if (FServerFd < 0) return;
    Application::Instance().Unwatch(FServerWatch);
    ::close(FServerFd);
    FServerFd = -1;
    ::unlink(FSocketPath.c_str());
}

std::string TSingleInstance::DefaultFolder(std::string& Why) {
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    struct stat st {};
    // Made when missing, as Qt makes it a moment later: whether it existed must not decide where
    // the lock is, or a second start finds it made and locks elsewhere.
    if (!runtime.empty() && runtime[0] == '/') {
        ::mkdir(runtime.c_str(), 0700);
        if (::stat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return runtime;
    }
    return PrivateTempFolder(Why);
}

std::string TSingleInstance::DisplayName() {
    std::string platform = Env("QT_QPA_PLATFORM");
    platform = platform.substr(0, platform.find(':'));
    std::string display = Env("WAYLAND_DISPLAY");
    if (platform == "xcb" || display.empty()) display = WithoutScreen(Env("DISPLAY"));
    if (platform == "offscreen" || platform == "minimal") display.clear();
    if (platform.empty() || display.empty()) return platform + display;
    return platform + " " + display;
}

bool TSingleInstance::Claim() {
    if (FLockPath.empty()) return true;
    FLockFd = ::open(FLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (FLockFd >= 0 && ::flock(FLockFd, LOCK_EX | LOCK_NB) == 0) return true;
    if (FLockFd >= 0 && errno == EWOULDBLOCK) {
        ::close(FLockFd);
        FLockFd = -1;
        return false;
    }
    const std::string why = std::strerror(errno);
    if (FLockFd >= 0) ::close(FLockFd);
    FLockFd = -1;
    if (Warn)
        Warn("cannot lock " + FLockPath + " (" + why +
             "): not checking whether Trimora already runs");
    return true;
}

bool TSingleInstance::AskToShow(std::chrono::milliseconds Timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    do {
        if (RequestShow(FSocketPath, 1000)) return true;
        // Not listening yet: the first instance is still starting.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

bool TSingleInstance::Listen(std::string& Error) {
    if (FSocketPath.empty()) return true;
    sockaddr_un address{};
    if (FSocketPath.size() >= sizeof address.sun_path) {
        Error = "cannot listen on " + FSocketPath + ": the name is too long";
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, FSocketPath.c_str(), FSocketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    // Holding the lock, any socket file there is a crashed instance's.
    ::unlink(FSocketPath.c_str());
    // Only this user may connect, whatever the umask and the folder allow.
    if (fd < 0 || ::fchmod(fd, 0600) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        Error = "cannot listen on " + FSocketPath + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    FServerFd = fd;
    FServerWatch = Application::Instance().Watch(fd, [this] { Accept(); });
    return true;
}

void TSingleInstance::Accept() {
    for (;;) {
        const int fd = ::accept4(FServerFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;  // none waiting (or one that gave up meanwhile)
        FClients[fd].Watch = Application::Instance().Watch(fd, [this, fd] { ServeClient(fd); });
    }
}

void TSingleInstance::ServeClient(int Fd) {
    TClient& client = FClients.at(Fd);
    char buffer[kLongestRequest];
    const ssize_t n = ::recv(Fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n > 0) client.Received.append(buffer, static_cast<std::size_t>(n));
    const auto end = client.Received.find('\n');
    if (end == std::string::npos && n > 0 && client.Received.size() <= kLongestRequest) return;
    // A whole line, a client that left, or no such request: answered once, then closed.
    if (end != std::string::npos && client.Received.compare(0, end + 1, kShow) == 0) {
        if (OnShowRequest) OnShowRequest();
        ::send(Fd, kShown, sizeof kShown - 1, MSG_NOSIGNAL);
    }
    Drop(Fd);
}

void TSingleInstance::Drop(int Fd) {
    const auto client = FClients.find(Fd);
    if (client == FClients.end()) return;  // the show request stopped the serving
    Application::Instance().Unwatch(client->second.Watch);
    FClients.erase(client);
    ::close(Fd);
}

}  // namespace trimora
