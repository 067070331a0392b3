// The Windows program's own parts below its window: one instance per user, and the remembered
// port's file in the user's application data.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "app/logic/RememberedPort.h"
#include "app/win32/Win32SingleInstance.h"
#include "app/win32/Win32TerminationSignals.h"

using namespace trimora;
namespace fs = std::filesystem;

namespace {

// A folder of the test's own under the system's temporary folder.
class TempFolder {
  public:
    TempFolder() {
        FPath =
            fs::temp_directory_path() / ("trimora-test-" + std::to_string(GetCurrentProcessId()) +
                                         "-" + std::to_string(GetTickCount64()));
        fs::create_directories(FPath);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(FPath, ignored);
    }
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }

  private:
    fs::path FPath;
};

}  // namespace

TEST(Win32SingleInstance, TheFirstHoldsTheNameUntilItEnds) {
    const std::string name =
        TWin32SingleInstance::DefaultName() + "-test-" + std::to_string(GetCurrentProcessId());
    EXPECT_EQ(TWin32SingleInstance::DefaultName().rfind("Local\\Trimora-", 0), 0u);
    {
        TWin32SingleInstance first(name);
        ASSERT_TRUE(first.Claim());
        TWin32SingleInstance second(name);
        EXPECT_FALSE(second.Claim());
    }
    TWin32SingleInstance later(name);
    EXPECT_TRUE(later.Claim()) << "the name stays taken after the first one ended";
}

TEST(Win32RememberedPort, LivesInApplicationDataAndIsWrittenWhole) {
    const std::string file = TRememberedPort::DefaultFile();
    EXPECT_NE(file.find("\\Trimora\\Trimora.conf"), std::string::npos) << file;

    TempFolder folder;
    const TRememberedPort memory(folder.File("Trimora\\Trimora.conf"));
    EXPECT_EQ(memory.Load(), "");
    std::string error;
    ASSERT_TRUE(memory.Store("COM7", error)) << error;
    EXPECT_EQ(memory.Load(), "COM7");
    // Other settings stay; the old value goes.
    std::ofstream(memory.File(), std::ios::app) << "[Other]\r\nKept=yes\r\n";
    ASSERT_TRUE(memory.Store("\\\\.\\COM12", error)) << error;
    EXPECT_EQ(memory.Load(), "\\\\.\\COM12");
    std::ifstream in(memory.File(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Kept=yes"), std::string::npos) << text;
    EXPECT_EQ(text.find("COM7"), std::string::npos) << text;
    for (const auto& entry : fs::directory_iterator(fs::path(memory.File()).parent_path()))
        EXPECT_EQ(entry.path().filename(), "Trimora.conf") << "a temporary file stays behind";
}

// What the Linux program ignores, this one ignores too, and says so; a store replaces it.
TEST(Win32RememberedPort, AnOversizedOrOddFileOrValueIsNotTaken) {
    struct Case {
        const char* Name;
        void (*Make)(const std::string& File);
        std::string Why;  // after the file's name; empty: read, but no port
    };
    const Case cases[] = {
        {"larger than the bound",
         [](const std::string& File) {
             std::ofstream(File) << "[Dongle]\nPort=COM3\n[Padding]\nPad="
                                 << std::string(70 * 1024, 'x') << "\n";
         },
         " is larger than 64 KiB: ignored"},
        {"a folder", [](const std::string& File) { fs::create_directories(File); },
         " is not a plain file: ignored"},
        {"a list",
         [](const std::string& File) { std::ofstream(File) << "[Dongle]\nPort=COM3, COM4\n"; }, ""},
        {"binary",
         [](const std::string& File) {
             std::ofstream(File) << "[Dongle]\nPort=@ByteArray(COM3)\n";
         },
         ""},
        {"a NUL inside",
         [](const std::string& File) { std::ofstream(File) << "[Dongle]\nPort=COM\\0X3\n"; }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempFolder folder;
        const TRememberedPort memory(folder.File("Trimora.conf"));
        c.Make(memory.File());
        std::string ignored = "unset";
        EXPECT_EQ(memory.Load(&ignored), "");
        EXPECT_EQ(ignored, c.Why.empty() ? "" : memory.File() + c.Why);
        if (fs::is_directory(memory.File())) continue;  // a folder is not replaced
        std::string error;
        ASSERT_TRUE(memory.Store("COM8", error)) << error;
        EXPECT_EQ(memory.Load(), "COM8");
    }
}

// A control event reaches the GUI thread as a request, through its loop. For the events after
// which the system ends the process, the handler returns only once the shut-down is over (the
// signals gone with the session), so that the shut-down frames still leave.
TEST(Win32TerminationSignals, AControlEventIsHandedToTheGuiThread) {
    struct Case {
        DWORD Event;
        bool WaitsForTheEnd;
    };
    for (const Case c : {Case{CTRL_C_EVENT, false}, Case{CTRL_BREAK_EVENT, false},
                         Case{CTRL_CLOSE_EVENT, true}, Case{CTRL_LOGOFF_EVENT, true}}) {
        SCOPED_TRACE(c.Event);
        auto signals = std::make_unique<TWin32TerminationSignals>();
        const DWORD guiThread = GetCurrentThreadId();
        DWORD ranOn = 0;
        signals->OnRequested = [&] { ranOn = GetCurrentThreadId(); };
        EXPECT_FALSE(signals->Requested());
        std::atomic<bool> returned{false};
        std::atomic<BOOL> handled{FALSE};
        // As the system calls it: on a thread of its own.
        std::thread system([&] {
            handled = TWin32TerminationSignals::ControlHandler(c.Event);
            returned = true;
        });
        const ULONGLONG deadline = GetTickCount64() + 5000;
        while (ranOn == 0 && GetTickCount64() < deadline) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            Sleep(5);
        }
        EXPECT_EQ(ranOn, guiThread);
        EXPECT_TRUE(signals->Requested());
        // The shut-down takes a while.
        Sleep(300);
        EXPECT_EQ(returned.load(), !c.WaitsForTheEnd);
        signals.reset();
        system.join();
        EXPECT_TRUE(handled.load());
    }
    EXPECT_FALSE(TWin32TerminationSignals::ControlHandler(CTRL_C_EVENT))
        << "handled without a program to hand it to";
}
