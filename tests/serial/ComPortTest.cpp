#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "serial/ComPort.h"
#include "serial/ComThread.h"
#include "serial/posix/CustomBaud.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {
class PortOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        test::ConfigureLikeProtocol(port);
        port.SetPort(pty.SlavePath());
    }

    void Record(TComPort& p) {
        p.OnBeforeOpen = [this](TObject*) { log.push_back("BeforeOpen"); };
        p.OnAfterOpen = [this](TObject*) { log.push_back("AfterOpen"); };
        p.OnBeforeClose = [this](TObject*) { log.push_back("BeforeClose"); };
        p.OnAfterClose = [this](TObject*) { log.push_back("AfterClose"); };
        auto line = [this](const char* name) {
            return [this, name](TObject*, bool on) { log.push_back(name + std::to_string(on)); };
        };
        p.OnCTSChange = line("CTS ");
        p.OnDSRChange = line("DSR ");
        p.OnRLSDChange = line("RLSD ");
    }

    test::PseudoTerminal pty;
    std::vector<std::string> log;  // outlives the port, whose close still fires events
    TComPort port{nullptr};
};

int ErrorNumberOf(const std::function<void()>& op, int* osError = nullptr,
                  std::string* message = nullptr) {
    try {
        op();
    } catch (const EComPort& e) {
        if (osError) *osError = e.WindowsError();
        if (message) *message = e.what();
        return e.PortErrorNumber();
    }
    return 0;
}
}  // namespace

TEST_F(PortOnPty, OpenAndCloseAnnounceThemselvesInOrder) {
    Record(port);
    TComLink link;
    link.ConnectNotifyHook = [this](TCustomComPort*, bool v) {
        log.push_back("link open " + std::to_string(v));
    };
    link.CTSChangeHook = [this](TCustomComPort*, bool v) {
        log.push_back("link CTS " + std::to_string(v));
    };
    port.AttachLink(&link);

    port.SetConnected(true);
    EXPECT_TRUE(port.Connected());
    EXPECT_GE(port.DeviceHandle(), 0);
    ASSERT_NE(port.EventThread(), nullptr);
    // A pseudo-terminal has no modem lines: they read as off and do not fail the open.
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "link open 1", "AfterOpen", "link CTS 0",
                                             "CTS 0", "DSR 0", "RLSD 0"}));
    log.clear();
    port.OpenPort();
    EXPECT_TRUE(log.empty()) << "opening an open port does nothing";

    port.SetConnected(false);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.DeviceHandle(), -1);
    EXPECT_EQ(port.EventThread(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"link CTS 0", "CTS 0", "DSR 0", "RLSD 0",
                                             "BeforeClose", "link open 0", "AfterClose"}));
    log.clear();
    port.ClosePort();
    EXPECT_TRUE(log.empty()) << "closing a closed port does nothing";
    port.DetachLink(&link);
}

TEST_F(PortOnPty, OpenFailuresRaiseCodeOneWithTheOsError) {
    struct Case {
        std::string Name;
        int Os;
    };
    const std::vector<Case> cases = {
        {"/dev/trimora-no-such-device", ENOENT},
        {"/dev/null", ENOTTY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        log.clear();
        TComPort p(nullptr);
        Record(p);
        p.SetPort(c.Name);
        int os = 0;
        std::string message;
        EXPECT_EQ(ErrorNumberOf([&] { p.OpenPort(); }, &os, &message), ecOpenFailed);
        EXPECT_EQ(os, c.Os);
        EXPECT_EQ(message,
                  "Unable to open com port (win error code: " + std::to_string(c.Os) + ")");
        EXPECT_FALSE(p.Connected());
        EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen"}));
    }
}

TEST_F(PortOnPty, ASecondOpenOfTheSameDeviceFails) {
    port.OpenPort();
    TComPort second(nullptr);
    second.SetPort(pty.SlavePath());
    int os = 0;
    EXPECT_EQ(ErrorNumberOf([&] { second.OpenPort(); }, &os), ecOpenFailed);
    EXPECT_EQ(os, EBUSY);
    EXPECT_FALSE(second.Connected());

    // The first keeps working, and once it closes the device is free again.
    auto record = std::make_unique<TAsyncRecord>();
    port.WriteTextAsync("ok", record.get());
    EXPECT_EQ(pty.Read(2, 2s), "ok");
    port.ClosePort();
    second.OpenPort();
    EXPECT_TRUE(second.Connected());
}

TEST_F(PortOnPty, RenamingAnOpenPortClosesAndReopensIt) {
    test::PseudoTerminal other;
    port.OpenPort();
    Record(port);

    port.SetPort(pty.SlavePath());
    EXPECT_TRUE(log.empty()) << "the same name changes nothing";

    port.SetPort(other.SlavePath());
    std::vector<std::string> opens;
    for (const auto& l : log)
        if (l.find("Open") != std::string::npos || l.find("Close") != std::string::npos)
            opens.push_back(l);
    EXPECT_EQ(opens,
              (std::vector<std::string>{"BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen"}));
    EXPECT_TRUE(port.Connected());
    auto record = std::make_unique<TAsyncRecord>();
    port.WriteTextAsync("x", record.get());
    EXPECT_EQ(other.Read(1, 2s), "x");

    port.ClosePort();
    log.clear();
    port.SetPort(pty.SlavePath());
    EXPECT_TRUE(log.empty()) << "a closed port only stores the name";
    EXPECT_EQ(port.Port(), pty.SlavePath());
}

TEST_F(PortOnPty, SyncMethodCannotChangeWhileOpen) {
    port.OpenPort();
    std::string message;
    int os = 0;
    EXPECT_EQ(ErrorNumberOf([&] { port.SetSyncMethod(smNone); }, &os, &message), ecConnectedChange);
    EXPECT_EQ(message, "Cannot set property while connected");
    EXPECT_EQ(os, -1);
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    port.SetSyncMethod(smThreadSync);  // the same value is fine
    port.ClosePort();
    port.SetSyncMethod(smNone);
    EXPECT_EQ(port.SyncMethod(), smNone);
}

TEST_F(PortOnPty, LineSettingsReachTheDeviceAtOpenAndAtOnceWhileOpen) {
    port.OpenPort();
    termios t{};
    ASSERT_EQ(tcgetattr(port.DeviceHandle(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);

    port.SetBaudRate(br57600);
    ASSERT_EQ(tcgetattr(port.DeviceHandle(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B57600);

    for (auto [rate, other, expected] :
         {std::tuple{br128000, 0u, 128000u}, std::tuple{brCustom, 250000u, 250000u}}) {
        port.SetOtherBaudRate(other == 0 ? 9600 : other);
        port.SetBaudRate(rate);
        std::uint32_t actual = 0;
        ASSERT_EQ(GetDeviceBaudRate(port.DeviceHandle(), actual), 0);
        EXPECT_EQ(actual, expected);
    }
}

// A port that was only probed must leave a terminal as it found it: a pseudo-terminal someone
// types in stayed raw at 115200 with echo off.
TEST_F(PortOnPty, ClosingPutsBackTheLineSettingsTheOpenFound) {
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct Case {
        const char* Name;
        speed_t Code;
        std::uint32_t Rate;  // set through termios2 when there is no code for it
    };
    for (const Case& c : {Case{"a terminal's cooked line", B9600, 0},
                          Case{"a rate without a code", B9600, 250000}}) {
        SCOPED_TRACE(c.Name);
        termios before{};
        ASSERT_EQ(tcgetattr(fd, &before), 0);
        before.c_lflag |= ICANON | ECHO | ISIG;
        before.c_iflag |= ICRNL | IXON;
        before.c_oflag |= OPOST;
        before.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        before.c_cc[VMIN] = 4;
        cfsetispeed(&before, c.Code);
        cfsetospeed(&before, c.Code);
        ASSERT_EQ(tcsetattr(fd, TCSANOW, &before), 0);
        if (c.Rate != 0) {
            ASSERT_EQ(SetCustomBaudRate(fd, c.Rate), 0);
        }
        ASSERT_EQ(tcgetattr(fd, &before), 0);
        std::uint32_t rateBefore = 0;
        ASSERT_EQ(GetDeviceBaudRate(fd, rateBefore), 0);

        port.OpenPort();
        port.ClosePort();

        termios after{};
        ASSERT_EQ(tcgetattr(fd, &after), 0);
        EXPECT_EQ(after.c_iflag, before.c_iflag);
        EXPECT_EQ(after.c_oflag, before.c_oflag);
        EXPECT_EQ(after.c_cflag, before.c_cflag);
        EXPECT_EQ(after.c_lflag, before.c_lflag);
        EXPECT_EQ(std::vector<cc_t>(after.c_cc, after.c_cc + NCCS),
                  std::vector<cc_t>(before.c_cc, before.c_cc + NCCS));
        std::uint32_t rateAfter = 0;
        ASSERT_EQ(GetDeviceBaudRate(fd, rateAfter), 0);
        EXPECT_EQ(rateAfter, rateBefore);
    }
    ::close(fd);
}

TEST_F(PortOnPty, OneAndAHalfStopBitsAreRefused) {
    port.OpenPort();
    EXPECT_EQ(ErrorNumberOf([&] { port.SetStopBits(sbOne5StopBits); }), ecSetCommState);
    EXPECT_EQ(port.StopBits(), sbOne5StopBits) << "the value stays stored";
    EXPECT_TRUE(port.Connected());
    port.ClosePort();

    // At the next open the refusal closes the device again.
    int os = 0;
    EXPECT_EQ(ErrorNumberOf([&] { port.OpenPort(); }, &os), ecSetCommState);
    EXPECT_EQ(os, EINVAL);
    EXPECT_FALSE(port.Connected());
    port.SetStopBits(sbOneStopBit);
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
}

TEST_F(PortOnPty, AnErrorOfTheAfterOpenHandlerLeavesThePortOpen) {
    port.OnAfterOpen = [](TObject*) { throw std::runtime_error("handler"); };
    EXPECT_THROW(port.OpenPort(), std::runtime_error);
    EXPECT_TRUE(port.Connected());
    ASSERT_NE(port.EventThread(), nullptr);
    EXPECT_FALSE(port.EventThread()->Finished());
}

#ifdef TRIMORA_GUI_THREAD_CHECKS
// A port belongs to the GUI thread; the check names the operation called elsewhere.
TEST(ComPortDeathTest, OpenCloseAndWriteOffTheGuiThreadAbort) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    struct Case {
        const char* Message;
        void (*Call)(TComPort&);
    };
    const Case cases[] = {
        {"TCustomComPort::OpenPort called off the GUI thread", [](TComPort& p) { p.OpenPort(); }},
        {"TCustomComPort::ClosePort called off the GUI thread", [](TComPort& p) { p.ClosePort(); }},
        {"TCustomComPort::WriteBufferAsync called off the GUI thread",
         [](TComPort& p) { p.WriteBufferAsync("x", 1, nullptr); }},
    };
    for (const Case& c : cases) {
        TComPort port(nullptr);
        EXPECT_DEATH(std::thread([&] { c.Call(port); }).join(), c.Message);
    }
}
#endif
