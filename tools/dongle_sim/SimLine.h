#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace trimora::sim {

// The dongle's end of the serial line and the wake-up of the emulator's thread: a
// pseudo-terminal's master on POSIX, the server end of a named pipe on Windows. Only the
// emulator's thread opens, closes, reads, writes and waits; Wake is for any thread.
class SimLine {
  public:
    SimLine();
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // Once, before the thread starts; false with Error set when the system refuses.
    bool CreateWake(std::string& Error);
    void Wake();

    // A fresh line; the host opens HostPath(). False with Error set when the system refuses.
    bool Open(std::string& Error);
    // The host's side sees the dongle go.
    void Close();
    bool IsOpen() const;
    // What a host opens as its serial port while the line is open, else empty.
    const std::string& HostPath() const;

    struct Readiness {
        bool Input = false;  // bytes from the host, or the line ended: read
        bool Output = false;
    };
    // Until the host wrote, the line has room for output (WantOutput), Wake, or TimeoutNs
    // passes (none: no limit). A Wake is cleared.
    Readiness Wait(bool WantOutput, std::optional<std::uint64_t> TimeoutNs);

    enum class Io { Done, WouldBlock, Ended };
    // Never wait. Ended: the host's side is gone for good.
    Io Read(char* Buffer, std::size_t Size, std::size_t& Count);
    Io Write(const char* Data, std::size_t Size, std::size_t& Count);

  private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace trimora::sim
