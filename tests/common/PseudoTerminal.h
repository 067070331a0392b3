#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace trimora::test {

// A pseudo-terminal whose master side the test holds, standing in for the far end of a serial
// line; the port under test opens SlavePath(). Closing the master is how a test unplugs it.
class PseudoTerminal {
  public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return FSlavePath; }
    int MasterFd() const { return FMaster; }

    // Writes every byte (waiting while the slave's input is full); false on failure or timeout.
    bool Write(std::string_view Bytes,
               std::chrono::milliseconds Timeout = std::chrono::milliseconds(5000));
    // Reads until Count bytes have come or Timeout has passed; returns what came.
    std::string Read(std::size_t Count, std::chrono::milliseconds Timeout);
    // Reads what arrives until nothing more comes for Quiet.
    std::string ReadUntilQuiet(std::chrono::milliseconds Quiet);
    void CloseMaster();

  private:
    int FMaster = -1;
    std::string FSlavePath;
};

}  // namespace trimora::test
