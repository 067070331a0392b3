#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/TComponent.h"
#include "serial/ComLink.h"

namespace trimora {

class TCustomComPort;

using TComStrEvent = std::function<void(TObject* Sender, const std::string& Str)>;
// Pos comes in as -1; a handler may set a 1-based position in Str.
using TCustPacketEvent = std::function<void(TObject* Sender, const std::string& Str, int& Pos)>;

// Cuts a port's received byte stream into packets that begin with a start string and end with
// a stop string or after a fixed size, and delivers each through OnPacket. Bytes are raw: any
// value may occur, and matching compares bytes (optionally folding ASCII lower case).
class TComDataPacket : public TComponent {
  public:
    explicit TComDataPacket(TComponent* AOwner);
    ~TComDataPacket() override;

    // Attaching registers the framer's link with the port; the buffer is kept across attaching,
    // detaching and the port's closing.
    TCustomComPort* ComPort() const { return FComPort; }
    void SetComPort(TCustomComPort* Value);
    bool CaseInsensitive() const { return FCaseInsensitive; }
    void SetCaseInsensitive(bool Value);
    bool IncludeStrings() const { return FIncludeStrings; }
    void SetIncludeStrings(bool Value) { FIncludeStrings = Value; }
    // 0 or less: no limit.
    std::int32_t MaxBufferSize() const { return FMaxBufferSize; }
    void SetMaxBufferSize(std::int32_t Value) { FMaxBufferSize = Value; }
    const std::string& StartString() const { return FStartString; }
    void SetStartString(const std::string& Value);
    const std::string& StopString() const { return FStopString; }
    void SetStopString(const std::string& Value);
    // Fixed packet length from the packet's first byte; 0 or less: none.
    std::int32_t Size() const { return FSize; }
    void SetSize(std::int32_t Value);

    TComStrEvent OnDiscard;
    TComStrEvent OnPacket;
    TCustPacketEvent OnCustomStart;
    TCustPacketEvent OnCustomStop;

    // Appends received bytes and delivers the packets they complete.
    void AddReceived(std::string_view Data);
    // Reports the buffered bytes through OnDiscard and empties the buffer.
    void DiscardBuffer();

    // Bytes received and not yet delivered or discarded.
    std::string_view Pending() const {
        return std::string_view(FPending.data() + FHead, FPending.size() - FHead);
    }
    bool PacketOpen() const { return FPacketOpen; }

  protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void CutPackets();

    virtual void DoDiscard(const std::string& Str);
    virtual void DoPacket(const std::string& Str);
    virtual void DoCustomStart(const std::string& Str, int& Pos);
    virtual void DoCustomStop(const std::string& Str, int& Pos);

  private:
    void CutLoop();
    bool SingleByteRules() const {
        return FStartByte >= 0 && FStopByte >= 0 && FSize <= 0 && !OnCustomStart && !OnCustomStop;
    }
    bool CutBySingleBytes();
    void UpdateSingleBytes();
    void FindStart();
    // Returns the 1-based end of the packet, or 0 when it has not ended yet.
    std::size_t FindEnd();
    void StartPacketAt(std::size_t Pos);
    void DeliverPacket(std::size_t End);
    void Strip(std::string& Packet) const;
    void CheckLimit();
    void Consume(std::size_t Count);
    std::size_t Find(std::string_view Text, const std::string& What, std::size_t From) const;
    std::size_t FindLonger(std::string_view Text, const std::string& What, std::size_t From) const;
    static std::size_t FindFolded(std::string_view Text, const std::string& What, std::size_t From);

    std::unique_ptr<TComLink> FLink;
    TCustomComPort* FComPort = nullptr;
    std::string FStartString;
    std::string FStopString;
    std::int32_t FMaxBufferSize = 1024;
    std::int32_t FSize = 0;
    bool FIncludeStrings = false;
    bool FCaseInsensitive = false;
    bool FPacketOpen = false;
    // The buffer is FPending from FHead on; delivered bytes leave it by moving FHead, and the
    // string is compacted once per run, so cutting stays linear in the bytes received.
    std::string FPending;
    std::size_t FHead = 0;
    // Where the next search may resume (offsets into the buffer): no match begins before them.
    std::size_t FStartScan = 0;
    std::size_t FStopScan = 0;
    // The start and stop strings as one byte each that folding does not change, else -1.
    int FStartByte = -1;
    int FStopByte = -1;
};

}  // namespace trimora
