#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "app/SingleInstance.h"
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
    };
    auto set = [](const char* Name, const std::optional<std::string>& Value) {
        if (Value)
            ::setenv(Name, Value->c_str(), 1);
        else
            ::unsetenv(Name);
    };
    const char* names[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* v = ::getenv(names[i])) saved[i] = v;
    for (const Case& c : cases) {
        set("QT_QPA_PLATFORM", c.Platform);
        set("DISPLAY", c.Display);
        set("WAYLAND_DISPLAY", c.Wayland);
        EXPECT_EQ(TSingleInstance::DisplayName(), c.Want);
    }
    for (int i = 0; i < 3; ++i) set(names[i], saved[i]);
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
