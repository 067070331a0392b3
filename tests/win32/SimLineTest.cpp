// The emulator on Windows: its line is a named pipe that a program opens by name as it opens a
// COM port, alone, again after closing it, and that fails under it when the dongle is unplugged.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "tools/dongle_sim/DongleSim.h"

using namespace std::chrono_literals;
using namespace trimora::sim;

namespace {

const std::string kVersionRequest("\x3E\x0A\x00\x00\x00\x21", 6);
const std::string kVersionReply("\x3E\x0A\x00\x01\x78\x00\x21", 7);

// An end of the line opened as the program opens its port: overlapped, no sharing.
class HostEnd {
  public:
    explicit HostEnd(const std::string& Path, bool WaitWhileBusy = true)
        : FHandle(Open(Path, WaitWhileBusy)), FError(GetLastError()) {
        FReadOv.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        FWriteOv.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    static HANDLE Open(const std::string& Path, bool WaitWhileBusy) {
        // The line takes the next open once it has seen the last one closed, a moment later:
        // a program that opens a pipe waits for it to be free.
        if (WaitWhileBusy && !WaitNamedPipeA(Path.c_str(), 2000)) return INVALID_HANDLE_VALUE;
        return CreateFileA(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    }
    ~HostEnd() {
        if (Open()) CloseHandle(FHandle);
        CloseHandle(FReadOv.hEvent);
        CloseHandle(FWriteOv.hEvent);
    }
    bool Open() const { return FHandle != INVALID_HANDLE_VALUE; }
    DWORD OpenError() const { return FError; }

    bool Write(const std::string& Bytes) {
        DWORD n = 0;
        ResetEvent(FWriteOv.hEvent);
        if (!WriteFile(FHandle, Bytes.data(), static_cast<DWORD>(Bytes.size()), nullptr,
                       &FWriteOv) &&
            GetLastError() != ERROR_IO_PENDING)
            return false;
        return GetOverlappedResult(FHandle, &FWriteOv, &n, TRUE) && n == Bytes.size();
    }
    // Starts a read; Finish waits for it. False with the error when it fails.
    void StartRead() {
        ResetEvent(FReadOv.hEvent);
        FReadStarted = ReadFile(FHandle, FBuffer, sizeof FBuffer, nullptr, &FReadOv) ||
                       GetLastError() == ERROR_IO_PENDING;
    }
    bool FinishRead(std::string& Bytes, DWORD& Error, DWORD TimeoutMs = 2000) {
        Error = 0;
        if (!FReadStarted) return Error = GetLastError(), false;
        if (WaitForSingleObject(FReadOv.hEvent, TimeoutMs) != WAIT_OBJECT_0) {
            CancelIo(FHandle);
            DWORD ignored = 0;
            GetOverlappedResult(FHandle, &FReadOv, &ignored, TRUE);
            Error = WAIT_TIMEOUT;
            return false;
        }
        DWORD n = 0;
        if (!GetOverlappedResult(FHandle, &FReadOv, &n, FALSE))
            return Error = GetLastError(), false;
        Bytes.assign(FBuffer, n);
        return true;
    }
    std::string Ask(const std::string& Request) {
        std::string reply;
        DWORD error = 0;
        StartRead();
        if (!Write(Request)) return "write failed";
        while (reply.size() < kVersionReply.size()) {
            std::string part;
            if (!FinishRead(part, error)) return "read failed: " + std::to_string(error);
            reply += part;
            if (reply.size() < kVersionReply.size()) StartRead();
        }
        return reply;
    }

  private:
    HANDLE FHandle;
    DWORD FError;
    OVERLAPPED FReadOv{}, FWriteOv{};
    char FBuffer[64];
    bool FReadStarted = false;
};

SimConfig NoConsoles() {
    SimConfig config;
    config.Consoles.clear();
    return config;
}

}  // namespace

TEST(SimLineOnWindows, OpenedAloneAnsweredOpenedAgainAndGoneWhenUnplugged) {
    DongleSim dongle(NoConsoles());
    std::string error;
    ASSERT_TRUE(dongle.Start(&error)) << error;
    const std::string path = dongle.PortPath();
    ASSERT_EQ(path.rfind("\\\\.\\pipe\\", 0), 0u) << path;

    for (int open = 1; open <= 2; ++open) {
        SCOPED_TRACE("open " + std::to_string(open));
        HostEnd host(path);
        ASSERT_TRUE(host.Open()) << host.OpenError();
        HostEnd second(path, false);
        EXPECT_FALSE(second.Open()) << "a second program must not open the dongle's port";
        EXPECT_EQ(host.Ask(kVersionRequest), kVersionReply);
    }
    EXPECT_EQ(dongle.HostFrames().size(), 2u);

    // Unplugged while the program reads: its read fails, as a removed adapter's does.
    HostEnd host(path);
    ASSERT_TRUE(host.Open());
    host.StartRead();
    ASSERT_TRUE(dongle.HangUp());
    std::string bytes;
    DWORD readError = 0;
    EXPECT_FALSE(host.FinishRead(bytes, readError));
    EXPECT_NE(readError, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(dongle.PortPath().empty());

    // Plugged back in: a port again, answering.
    ASSERT_TRUE(dongle.Reconnect(&error)) << error;
    HostEnd again(dongle.PortPath());
    ASSERT_TRUE(again.Open()) << again.OpenError();
    EXPECT_EQ(again.Ask(kVersionRequest), kVersionReply);
}
