#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/logic/RememberedPort.h"
#include "tests/common/FileContents.h"
#include "tests/common/ScratchFolder.h"

using namespace trimora;
namespace fs = std::filesystem;

namespace {

class ScratchFolder : public test::ScratchFolder {
  public:
    ScratchFolder() : test::ScratchFolder("trimora-config") {}
};

// Sets an environment variable for the scope, restoring what was there.
class ScopedEnv {
  public:
    ScopedEnv(const char* Name, std::optional<std::string> Value) : FName(Name) {
        if (const char* old = ::getenv(Name)) FOld = old;
        if (Value)
            ::setenv(Name, Value->c_str(), 1);
        else
            ::unsetenv(Name);
    }
    ~ScopedEnv() {
        if (FOld)
            ::setenv(FName, FOld->c_str(), 1);
        else
            ::unsetenv(FName);
    }

  private:
    const char* FName;
    std::optional<std::string> FOld;
};

}  // namespace

TEST(RememberedPort, LivesInTheUsersConfigurationFolder) {
    struct Case {
        std::optional<std::string> ConfigHome;
        std::string Want;
    };
    const std::vector<Case> cases = {
        {"/cfg", "/cfg/Trimora/Trimora.conf"},
        {std::nullopt, "/home/tech/.config/Trimora/Trimora.conf"},
        {"", "/home/tech/.config/Trimora/Trimora.conf"},
        {"relative/cfg", "/home/tech/.config/Trimora/Trimora.conf"},  // to be ignored
    };
    ScopedEnv home("HOME", "/home/tech");
    for (const Case& c : cases) {
        ScopedEnv config("XDG_CONFIG_HOME", c.ConfigHome);
        EXPECT_EQ(TRememberedPort::DefaultFile(), c.Want) << c.ConfigHome.value_or("(unset)");
    }
}

TEST(RememberedPort, StoredAndReadBackCreatingItsFolder) {
    ScratchFolder dir;
    const TRememberedPort memory(dir.Path() + "/Trimora/Trimora.conf");
    EXPECT_EQ(memory.Load(), "") << "nothing yet";
    std::string error;
    const std::string port = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A5-if00-port0";
    ASSERT_TRUE(memory.Store(port, error)) << error;
    EXPECT_EQ(TRememberedPort(memory.File()).Load(), port);
    ASSERT_TRUE(memory.Store("/dev/ttyACM0", error)) << error;
    EXPECT_EQ(memory.Load(), "/dev/ttyACM0");
}

TEST(RememberedPort, AFileThatCannotBeWrittenIsReported) {
    ScratchFolder dir;
    std::ofstream(dir.Path() + "/Trimora") << "a file where the folder should be";
    const TRememberedPort memory(dir.Path() + "/Trimora/Trimora.conf");
    std::string error;
    EXPECT_FALSE(memory.Store("/dev/ttyUSB0", error));
    EXPECT_EQ(error, "cannot write " + memory.File());
    EXPECT_EQ(memory.Load(), "");
}

// A lock file left where the configuration's own lock goes (here a folder, which no lock can
// replace) once held the window back for good: the store waited on it without end.
TEST(RememberedPort, AStrayLockBesideTheFileHoldsNothingUp) {
    ScratchFolder dir;
    const TRememberedPort memory(dir.Path() + "/Trimora/Trimora.conf");
    std::string error;
    ASSERT_TRUE(memory.Store("/dev/ttyUSB0", error)) << error;
    { std::ofstream(memory.File(), std::ios::app) << "[Window]\nKept=yes\n"; }
    fs::create_directory(memory.File() + ".lock");

    auto stored = std::make_shared<std::promise<bool>>();
    std::future<bool> result = stored->get_future();
    std::thread([memory, stored] {
        std::string error;
        stored->set_value(memory.Store("/dev/ttyACM0", error));
    }).detach();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(30)), std::future_status::ready)
        << "storing the port does not return";
    EXPECT_TRUE(result.get());
    EXPECT_EQ(memory.Load(), "/dev/ttyACM0");
    const std::string text = trimora::test::FileText(memory.File());
    EXPECT_NE(text.find("Kept=yes"), std::string::npos) << "other settings are kept:\n" << text;
    for (const fs::directory_entry& e : fs::directory_iterator(dir.Path() + "/Trimora"))
        EXPECT_EQ(e.path().filename().string().find(".new"), std::string::npos) << e.path();
}

// Only a plain file of a sane size is read: a 77 MB one held the start-up for 10 s, and a FIFO
// there would hold it for good. Such a file is ignored, with a word saying so, and the next
// store replaces it.
TEST(RememberedPort, AnOversizedOrOddFileIsIgnoredAndSaidToBe) {
    struct Case {
        const char* Name;
        std::function<void(const std::string&)> Make;
        std::string Why;  // after the file's name
    };
    const std::vector<Case> cases = {
        {"larger than the bound",
         [](const std::string& File) {
             std::ofstream(File) << "[Dongle]\nPort=/dev/ttyUSB3\n[Padding]\nPad="
                                 << std::string(70 * 1024, 'x') << "\n";
         },
         " is larger than 64 KiB: ignored"},
        {"a link to /dev/zero",
         [](const std::string& File) { ASSERT_EQ(::symlink("/dev/zero", File.c_str()), 0); },
         " is not a plain file: ignored"},
        {"a FIFO", [](const std::string& File) { ASSERT_EQ(::mkfifo(File.c_str(), 0600), 0); },
         " is not a plain file: ignored"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ScratchFolder dir;
        const TRememberedPort memory(dir.Path() + "/Trimora.conf");
        c.Make(memory.File());
        auto loaded = std::make_shared<std::promise<std::pair<std::string, std::string>>>();
        std::future<std::pair<std::string, std::string>> result = loaded->get_future();
        std::thread([memory, loaded] {
            std::string ignored;
            std::string port = memory.Load(&ignored);
            loaded->set_value({port, ignored});
        }).detach();
        ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready)
            << "reading the file does not return";
        const auto [port, ignored] = result.get();
        EXPECT_EQ(port, "");
        EXPECT_EQ(ignored, memory.File() + c.Why);

        std::string error, noneIgnored;
        ASSERT_TRUE(memory.Store("/dev/ttyACM0", error)) << error;
        EXPECT_EQ(memory.Load(&noneIgnored), "/dev/ttyACM0");
        EXPECT_EQ(noneIgnored, "");
    }
}

// The file is the user's to edit: a value that is no plain name (binary, a list, a name with a
// NUL that would be opened cut short) is not taken for a port, and a store replaces it.
TEST(RememberedPort, AValueThatIsNoPlainNameIsNotTaken) {
    const std::vector<std::string> values = {"@ByteArray(\\0/dev/ttyUSB0)",
                                             "@Variant(\\0\\0\\0\\n\\0\\0\\0\\0)",
                                             "/dev/ttyUSB0, /dev/ttyUSB1", "/dev/tty\\0USB0"};
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        ScratchFolder dir;
        const TRememberedPort memory(dir.Path() + "/Trimora.conf");
        std::ofstream(memory.File()) << "[Dongle]\nPort=" << value << "\n";
        EXPECT_EQ(memory.Load(), "");
        std::string error;
        ASSERT_TRUE(memory.Store("/dev/ttyACM0", error)) << error;
        EXPECT_EQ(memory.Load(), "/dev/ttyACM0");
    }
}
