#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QStandardPaths>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/SingleInstance.h"
#include "tests/common/ScratchFolder.h"

using namespace trimora;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class ScratchFolder : public test::ScratchFolder {
  public:
    ScratchFolder() : test::ScratchFolder("trimora-instance") {}
};

// Asks from another thread, as a later start's process would, while this (GUI) thread serves.
bool AskWhileServing(const TSingleInstance& Later, std::chrono::milliseconds Timeout) {
    auto answer = std::async(std::launch::async, [&] { return Later.AskToShow(Timeout); });
    while (answer.wait_for(5ms) != std::future_status::ready) QCoreApplication::processEvents();
    return answer.get();
}

// Sets or unsets environment variables for the life of this object.
class ScopedEnv {
  public:
    void Set(const char* Name, const std::optional<std::string>& Value) {
        if (FSaved.find(Name) == FSaved.end()) {
            const char* old = ::getenv(Name);
            FSaved[Name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        Apply(Name, Value);
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : FSaved) Apply(name.c_str(), value);
    }

  private:
    static void Apply(const char* Name, const std::optional<std::string>& Value) {
        if (Value)
            ::setenv(Name, Value->c_str(), 1);
        else
            ::unsetenv(Name);
    }
    std::map<std::string, std::optional<std::string>> FSaved;
};

// What a crashed instance leaves: a socket file that nobody listens on.
void LeaveDeadSocket(const std::string& Path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

}  // namespace

TEST(SingleInstance, ALaterStartFindsTheFirstAndHasItShowItsWindow) {
    ScratchFolder dir;
    TSingleInstance first(dir.Path(), "xcb :0");
    ASSERT_TRUE(first.Claim());
    std::string error;
    ASSERT_TRUE(first.Listen(error)) << error;
    int shown = 0;
    first.OnShowRequest = [&] { ++shown; };

    TSingleInstance later(dir.Path(), "xcb :0");
    EXPECT_FALSE(later.Claim());
    EXPECT_TRUE(AskWhileServing(later, 5s));
    EXPECT_EQ(shown, 1);

    TSingleInstance otherDisplay(dir.Path(), "xcb :1");
    EXPECT_TRUE(otherDisplay.Claim()) << "one instance per display";
}

TEST(SingleInstance, WhatACrashedInstanceLeftBlocksNothing) {
    ScratchFolder dir;
    {
        TSingleInstance crashed(dir.Path(), "offscreen");
        LeaveDeadSocket(crashed.SocketPath());
        std::ofstream(dir.Path() + "/trimora-offscreen.lock");  // a lock nobody holds
    }
    TSingleInstance next(dir.Path(), "offscreen");
    ASSERT_TRUE(next.Claim());
    std::string error;
    ASSERT_TRUE(next.Listen(error)) << error;
    next.OnShowRequest = [] {};
    TSingleInstance later(dir.Path(), "offscreen");
    EXPECT_FALSE(later.Claim());
    EXPECT_TRUE(AskWhileServing(later, 5s));
}

TEST(SingleInstance, AFirstThatDoesNotAnswerIsNotTakenForShown) {
    ScratchFolder dir;
    TSingleInstance first(dir.Path(), "offscreen");
    ASSERT_TRUE(first.Claim());  // holds the lock, never listens
    TSingleInstance later(dir.Path(), "offscreen");
    EXPECT_FALSE(later.Claim());
    EXPECT_FALSE(later.AskToShow(300ms));
}

TEST(SingleInstance, AnUnusableLockIsToldAndTheStartGoesOn) {
    ScratchFolder dir;
    fs::create_directory(dir.Path() + "/trimora-offscreen.lock");  // no file can be locked there
    TSingleInstance first(dir.Path(), "offscreen");
    std::vector<std::string> warnings;
    first.Warn = [&](const std::string& Text) { warnings.push_back(Text); };
    EXPECT_TRUE(first.Claim()) << "a start is never refused for its lock";
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(dir.Path() + "/trimora-offscreen.lock"), std::string::npos)
        << warnings[0];
}

TEST(SingleInstance, TheDisplayComesFromTheEnvironment) {
    struct Case {
        std::optional<std::string> Platform, Display, Wayland;
        std::string Want;
    };
    const std::vector<Case> cases = {
        {std::nullopt, ":0", std::nullopt, ":0"},
        {"xcb", ":1", "wayland-0", "xcb :1"},
        {std::nullopt, ":0", "wayland-0", "wayland-0"},
        {"wayland", std::nullopt, "wayland-1", "wayland wayland-1"},
        {"offscreen", ":0", std::nullopt, "offscreen"},
        {"xcb:nograb", ":2", std::nullopt, "xcb :2"},
        // The screen is part of no instance's key; what is not a screen number stays.
        {std::nullopt, ":0.0", std::nullopt, ":0"},
        {"xcb", "localhost:10.1", std::nullopt, "xcb localhost:10"},
        {std::nullopt, "host.example:0", std::nullopt, "host.example:0"},
        {std::nullopt, ":0.x", std::nullopt, ":0.x"},
    };
    ScopedEnv env;
    for (const Case& c : cases) {
        env.Set("QT_QPA_PLATFORM", c.Platform);
        env.Set("DISPLAY", c.Display);
        env.Set("WAYLAND_DISPLAY", c.Wayland);
        EXPECT_EQ(TSingleInstance::DisplayName(), c.Want);
    }
}

// Without XDG_RUNTIME_DIR the lock and the socket go to trimora-<uid> in the temporary folder.
// Where that name is taken by what another user could have put there, there is no check at all,
// rather than one in a folder the other user controls.
TEST(SingleInstance, OnlyAFolderOfTheUsersOwnHoldsTheLock) {
    ScratchFolder dir;
    const std::string tmp = dir.Path() + "/tmp";
    const std::string own = tmp + "/trimora-" + std::to_string(::getuid());
    const auto makeFolder = [&](mode_t Mode) {
        ASSERT_EQ(::mkdir(own.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(own.c_str(), Mode), 0);  // past the umask
    };
    struct Case {
        const char* Name;
        std::function<void()> Prepare;
        bool Runtime;     // XDG_RUNTIME_DIR set to a folder
        std::string Why;  // empty: the folder is used
    };
    const std::vector<Case> cases = {
        {"missing: made", [] {}, false, ""},
        {"the user's own", [&] { makeFolder(0700); }, false, ""},
        {"readable by others", [&] { makeFolder(0755); }, false, ""},
        {"writable by others", [&] { makeFolder(0777); }, false, "others may write to " + own},
        {"writable by the group", [&] { makeFolder(0770); }, false, "others may write to " + own},
        {"a file", [&] { std::ofstream(own) << "x"; }, false, own + " is not a folder"},
        {"a link to a folder",
         [&] {
             fs::create_directory(dir.Path() + "/elsewhere");
             fs::create_directory_symlink(dir.Path() + "/elsewhere", own);
         },
         false, own + " is not a folder"},
        {"no temporary folder to make it in", [&] { fs::remove(tmp); }, false,
         "the temporary folder " + tmp + " is missing"},
        {"a temporary folder that is a file",
         [&] {
             fs::remove(tmp);
             std::ofstream(tmp) << "x";
         },
         false, "cannot make " + own + ": Not a directory"},
        {"a runtime folder comes first", [&] { std::ofstream(own) << "x"; }, true, ""},
        // Last: skipped where it cannot be made.
        {"another user's",
         [&] {
             makeFolder(0700);
             if (::chown(own.c_str(), ::getuid() + 1, static_cast<gid_t>(-1)) != 0)
                 GTEST_SKIP() << "only root can give a folder away";
         },
         false, own + " belongs to another user"},
    };
    ScopedEnv env;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(tmp);
        fs::remove_all(dir.Path() + "/elsewhere");
        ASSERT_TRUE(fs::create_directory(tmp));
        c.Prepare();
        if (::testing::Test::IsSkipped()) return;
        env.Set("TMPDIR", tmp);
        env.Set("XDG_RUNTIME_DIR",
                c.Runtime ? std::optional<std::string>(dir.Path()) : std::nullopt);
        std::string why;
        const std::string folder = TSingleInstance::DefaultFolder(why);
        EXPECT_EQ(why, c.Why);
        if (!c.Why.empty())
            EXPECT_EQ(folder, "");
        else
            EXPECT_EQ(folder, c.Runtime ? dir.Path() : own);
    }
}

// A runtime folder that is named but missing: Qt makes it the first time it is asked for it, so
// a choice made on whether it exists put the first start's lock under /tmp and the second's
// in the runtime folder: two instances on one display.
TEST(SingleInstance, AMissingRuntimeFolderIsChosenAsWhenItExists) {
    ScratchFolder dir;
    const std::string runtime = dir.Path() + "/run";
    ScopedEnv env;
    env.Set("XDG_RUNTIME_DIR", runtime);
    env.Set("TMPDIR", dir.Path());
    std::string why;
    const std::string first = TSingleInstance::DefaultFolder(why);
    EXPECT_EQ(why, "");
    QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);  // as the window's start
    const std::string second = TSingleInstance::DefaultFolder(why);
    EXPECT_EQ(first, runtime);
    EXPECT_EQ(second, first);
    struct stat st {};
    ASSERT_EQ(::stat(runtime.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(SingleInstance, WithoutAFolderEveryStartIsAFirstOne) {
    TSingleInstance first("", "xcb :0");
    EXPECT_TRUE(first.Claim());
    std::string error;
    EXPECT_TRUE(first.Listen(error)) << error;
    EXPECT_EQ(first.SocketPath(), "");
    TSingleInstance later("", "xcb :0");
    EXPECT_TRUE(later.Claim());
}

// A runtime folder deep enough that no socket path in it fits sockaddr_un: the first start
// could not listen, and every later one waited its full time and then said the first did not
// answer.
TEST(SingleInstance, ADeepRuntimeFolderStillLetsTheFirstBeFound) {
    ScratchFolder dir;
    const std::string deep = dir.Path() + "/" + std::string(120, 'd');
    ASSERT_TRUE(fs::create_directory(deep));
    TSingleInstance first(deep, "xcb :0");
    ASSERT_TRUE(first.Claim());
    std::string error;
    ASSERT_TRUE(first.Listen(error)) << error;
    int shown = 0;
    first.OnShowRequest = [&] { ++shown; };

    TSingleInstance later(deep, "xcb :0");
    EXPECT_EQ(later.SocketPath(), first.SocketPath());
    EXPECT_FALSE(later.Claim());
    EXPECT_TRUE(AskWhileServing(later, 5s));
    EXPECT_EQ(shown, 1);
    EXPECT_NE(TSingleInstance(deep, "xcb :1").SocketPath(), first.SocketPath())
        << "each display keeps its own";
    first.StopListening();
}
