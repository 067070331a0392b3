#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>

#include "tools/dongle_sim/FrameCutter.h"

namespace trimora::test {

using namespace std::chrono_literals;

// The host's end of the line in emulator tests: the slave opened with open(2), raw, with the
// host's way of cutting frames (0x3E to the first 0x21).
class HostPort {
  public:
    explicit HostPort(const std::string& Path);
    ~HostPort();
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    bool IsOpen() const { return FFd >= 0; }
    int Fd() const { return FFd; }

    // Hex text, converted with the project's codec, as the program sends its frames.
    void Send(const std::string& HexText);
    void SendBytes(const std::string& Bytes);

    // The next frame cut from the line, valid or not, within Timeout.
    std::optional<std::string> ReadFrame(std::chrono::milliseconds Timeout = 1s);
    // The next frame whose hex text starts with HexPrefix; frames before it are skipped.
    std::optional<std::string> WaitFrame(const std::string& HexPrefix,
                                         std::chrono::milliseconds Timeout = 1s);
    // Every byte that arrives within Window, uncut (frames already cut are lost to it).
    std::string ReadRaw(std::chrono::milliseconds Window);
    // Reads and throws away until the line has been quiet for Quiet.
    void Drain(std::chrono::milliseconds Quiet = 50ms);
    // True once the line reports a hang-up (POLLHUP, end of file or EIO) within Timeout.
    bool WaitHangUp(std::chrono::milliseconds Timeout);

  private:
    // Bytes that arrive within Timeout (at least one), or empty.
    std::string ReadSome(std::chrono::milliseconds Timeout);

    int FFd = -1;
    sim::FrameCutter FCutter;
    std::deque<std::string> FFrames;  // cut, not yet taken
};

std::string Hex(const std::string& Bytes);

}  // namespace trimora::test
