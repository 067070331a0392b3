#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace trimora::test {

// A COM port whose other side the test holds, as a cable to a device it plays: under wine,
// scripts/wine-com-bridge makes COMn on a pseudo-terminal and hands the test the terminal's
// other side over a local TCP connection (TRIMORA_COM_BRIDGE=host:port). Without a bridge no
// port is made and tests that need one skip.
class BridgedComPort {
  public:
    static bool Available();

    explicit BridgedComPort(int Number);
    ~BridgedComPort();
    BridgedComPort(const BridgedComPort&) = delete;
    BridgedComPort& operator=(const BridgedComPort&) = delete;

    // COMn exists and its other side is ours; Error() says why not.
    bool Plugged() const { return FSocket != kNoSocket; }
    const std::string& Error() const { return FError; }
    std::string Name() const { return "COM" + std::to_string(FNumber); }

    // Puts bytes on the line, as the device sends them.
    bool Send(const std::string& Bytes);
    // What the program wrote: Count bytes, or what came before Timeout.
    std::string Receive(std::size_t Count,
                        std::chrono::milliseconds Timeout = std::chrono::seconds(5));
    // Hangs the line up and removes COMn, as an adapter pulled out.
    void Unplug();
    // Makes COMn again on a fresh line.
    bool Replug();

    // The line settings the program set on COMn, as the bridge reads them from the terminal
    // ("speed=115200 csize=8 parenb=0 cstopb=0 crtscts=1").
    std::string LineSettings() const;

  private:
    static constexpr std::uintptr_t kNoSocket = ~static_cast<std::uintptr_t>(0);
    bool Connect(const std::string& Request, std::uintptr_t& Socket, std::string& Reply) const;

    int FNumber;
    std::uintptr_t FSocket = kNoSocket;
    std::string FError;
};

}  // namespace trimora::test
