// Port names that lead nowhere useful: each fails to open with the port's open error and the
// operating system's reason, leaves the port closed and usable, and starts no thread.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "protocol/WirelessProtocol.h"
#include "runtime/TMemo.h"
#include "serial/ComError.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/e2e/LineBench.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;

namespace {

struct OpenOutcome {
    int Code = 0;  // 0: opened
    int OsError = 0;
    std::string Message;
};

OpenOutcome TryOpen(TComPort& Port, const std::string& Name) {
    Port.SetPort(Name);
    try {
        Port.OpenPort();
    } catch (const EComPort& e) {
        return {e.PortErrorNumber(), e.WindowsError(), e.what()};
    }
    return {};
}

class TempFile {
  public:
    TempFile() {
        char name[] = "/tmp/trimora-e2e-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        FPath = name;
    }
    ~TempFile() { unlink(FPath.c_str()); }
    const std::string& Path() const { return FPath; }

  private:
    std::string FPath;
};

struct BadName {
    const char* What;
    std::string Name;
    int OsError;
};

}  // namespace

TEST(PortOpenFaults, NamesThatAreNoSerialDeviceFailWithTheReason) {
    TempFile regular;
    const std::vector<BadName> cases = {
        {"missing device", "/dev/ttyTRIMORA-missing", ENOENT},
        {"COM name without a device", "COM0", ENOENT},
        {"empty name", "", EISDIR},
        {"directory", "/tmp", EISDIR},
        {"regular file", regular.Path(), ENOTTY},
        {"device that is no terminal", "/dev/null", ENOTTY},
        {"path through a file", regular.Path() + "/tty", ENOTDIR},
        {"name too long", "/" + std::string(5000, 'a'), ENAMETOOLONG},
    };
    test::PseudoTerminal pty;
    TComPort port(nullptr);
    test::ConfigureLikeProtocol(port);
    int afterOpen = 0;
    port.OnAfterOpen = [&](TObject*) { ++afterOpen; };
    for (const BadName& c : cases) {
        SCOPED_TRACE(c.What);
        const OpenOutcome outcome = TryOpen(port, c.Name);
        EXPECT_EQ(outcome.Code, ecOpenFailed);
        EXPECT_EQ(outcome.OsError, c.OsError);
        EXPECT_EQ(outcome.Message,
                  "Unable to open com port (win error code: " + std::to_string(c.OsError) + ")");
        EXPECT_FALSE(port.Connected());
        EXPECT_EQ(port.EventThread(), nullptr);
        EXPECT_EQ(afterOpen, 0);
    }
    // The protocol's probe on such a name: traced as a failed connection, nothing else.
    for (const BadName& c : cases) {
        if (c.Name.empty()) continue;  // the protocol keeps the port's default name then
        SCOPED_TRACE(c.What);
        TVelnWirelessProtocol protocol(nullptr);
        TMemo trace;
        protocol.SetDebugMemo(&trace);
        protocol.SetDisconDelayBetweenCloseOpenPort(0);
        protocol.SetPortDef(c.Name);
        EXPECT_FALSE(protocol.TryPort());
        EXPECT_FALSE(protocol.Connected());
        EXPECT_EQ(trace.Lines(), std::vector<std::string>{"Connection Failed " + c.Name});
        ASSERT_NE(protocol.Port(), nullptr);
        EXPECT_FALSE(protocol.Port()->Connected());
    }
    // The same object opens a real device afterwards.
    EXPECT_EQ(TryOpen(port, pty.SlavePath()).Code, 0);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(afterOpen, 1);
    port.ClosePort();
}

TEST(PortOpenFaults, ADeviceAnotherPortHoldsIsBusy) {
    test::PseudoTerminal pty;
    TComPort first(nullptr), second(nullptr);
    ASSERT_EQ(TryOpen(first, pty.SlavePath()).Code, 0);
    const OpenOutcome outcome = TryOpen(second, pty.SlavePath());
    EXPECT_EQ(outcome.Code, ecOpenFailed);
    EXPECT_EQ(outcome.OsError, EBUSY);
    EXPECT_FALSE(second.Connected());
    first.ClosePort();
    EXPECT_EQ(TryOpen(second, pty.SlavePath()).Code, 0) << "free again once closed";
    second.ClosePort();
}

TEST(PortOpenFaults, ADeviceWithoutPermissionFailsWithAccessDenied) {
    test::PseudoTerminal pty;
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0600), 0);
    // Root may open anything: the probe then runs as an unprivileged user.
    std::string command = PORT_OPEN_PROBE " " + pty.SlavePath();
    if (geteuid() == 0) {
        if (system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "no setpriv";
        command = "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
    } else if (getuid() == 0 || access(pty.SlavePath().c_str(), R_OK | W_OK) == 0) {
        GTEST_SKIP() << "this user can open the device anyway";
    }
    std::unique_ptr<FILE, int (*)(FILE*)> probe(popen(command.c_str(), "r"), pclose);
    ASSERT_NE(probe, nullptr);
    std::array<char, 256> line{};
    ASSERT_NE(fgets(line.data(), line.size(), probe.get()), nullptr);
    EXPECT_EQ(std::string(line.data()),
              "EComPort 1 " + std::to_string(EACCES) +
                  " Unable to open com port (win error code: " + std::to_string(EACCES) + ")\n");
}
