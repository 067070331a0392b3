#include "serial/DataPacket.h"

#include <algorithm>
#include <cstring>

#include "runtime/SwallowedError.h"
#include "serial/ComPort.h"

namespace trimora {

namespace {
constexpr std::size_t npos = std::string::npos;

inline unsigned char Fold(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 0x20) : u;
}

inline bool IsLetter(char c) {
    return Fold(c) >= 'A' && Fold(c) <= 'Z';
}

// Folding changes no match of a text without letters, so such a text is found byte for byte.
inline bool HasLetter(const std::string& Text) {
    return std::any_of(Text.begin(), Text.end(), IsLetter);
}
}  // namespace

// The start and stop strings are usually one byte that case does not change: a memchr.
inline std::size_t TComDataPacket::Find(std::string_view Text, const std::string& What,
                                        std::size_t From) const {
    if (What.size() != 1 || (FCaseInsensitive && IsLetter(What[0])))
        return FindLonger(Text, What, From);
    if (From >= Text.size()) return npos;
    const void* at = std::memchr(Text.data() + From, What[0], Text.size() - From);
    return at == nullptr ? npos
                         : static_cast<std::size_t>(static_cast<const char*>(at) - Text.data());
}

TComDataPacket::TComDataPacket(TComponent* AOwner)
    : TComponent(AOwner), FLink(std::make_unique<TComLink>()) {
    FLink->RxDataHook = [this](TCustomComPort*, const char* Buffer, int Count) {
        AddReceived(std::string_view(Buffer, Count > 0 ? static_cast<std::size_t>(Count) : 0));
    };
}

TComDataPacket::~TComDataPacket() {
    Destroying();
    try {
        SetComPort(nullptr);
    } catch (...) {
        // The port no longer knew the link; nothing is left to undo.
        ReportSwallowed("detaching a framer being destroyed", std::current_exception());
    }
}

void TComDataPacket::SetComPort(TCustomComPort* Value) {
    if (Value == FComPort) return;
    if (FComPort != nullptr) {
        TCustomComPort* old = FComPort;
        old->DetachLink(FLink.get());
        old->RemoveFreeNotification(this);
    }
    FComPort = Value;
    if (Value != nullptr) {
        Value->FreeNotification(this);
        Value->AttachLink(FLink.get());
    }
}

void TComDataPacket::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && FComPort != nullptr && AComponent == FComPort)
        SetComPort(nullptr);
}

void TComDataPacket::SetCaseInsensitive(bool Value) {
    if (Value == FCaseInsensitive) return;
    FCaseInsensitive = Value;
    UpdateSingleBytes();
    DiscardBuffer();
}

void TComDataPacket::SetStartString(const std::string& Value) {
    if (Value == FStartString) return;
    FStartString = Value;
    UpdateSingleBytes();
    DiscardBuffer();
}

void TComDataPacket::SetStopString(const std::string& Value) {
    if (Value == FStopString) return;
    FStopString = Value;
    UpdateSingleBytes();
    DiscardBuffer();
}

void TComDataPacket::UpdateSingleBytes() {
    const auto single = [this](const std::string& Text) {
        if (Text.size() != 1 || (FCaseInsensitive && IsLetter(Text[0]))) return -1;
        return static_cast<int>(static_cast<unsigned char>(Text[0]));
    };
    FStartByte = single(FStartString);
    FStopByte = single(FStopString);
}

void TComDataPacket::SetSize(std::int32_t Value) {
    if (Value == FSize) return;
    FSize = Value;
    DiscardBuffer();
}

void TComDataPacket::AddReceived(std::string_view Data) {
    if (FSize <= 0 && FStopString.empty() && !OnCustomStop) {
        // Without an end rule every block is a packet as it came.
        DoPacket(std::string(Data));
        return;
    }
    FPending.append(Data);
    CutPackets();
}

void TComDataPacket::CutPackets() {
    try {
        CutLoop();
    } catch (...) {
        CheckLimit();
        throw;
    }
    CheckLimit();
}

void TComDataPacket::CutLoop() {
    // Handlers may re-enter (add bytes, discard, change strings): every step reads the state
    // afresh.
    for (;;) {
        if (SingleByteRules()) {
            if (!CutBySingleBytes()) return;
            continue;
        }
        if (!FPacketOpen) FindStart();
        if (!FPacketOpen) return;
        std::size_t end = FindEnd();
        if (end == 0) return;
        DeliverPacket(end);
    }
}

// The usual rules, one start byte and one stop byte, cut as FindStart and FindEnd would, without
// their general cases: every received frame passes here. Returns false when no whole packet is
// left; after a handler ran, true, for the caller to read the rules afresh.
bool TComDataPacket::CutBySingleBytes() {
    const char* const data = FPending.data() + FHead;
    const std::size_t size = FPending.size() - FHead;
    if (!FPacketOpen) {
        std::size_t at = FStartScan;
        if (at >= size) {
            FStartScan = size;
            return false;
        }
        if (static_cast<unsigned char>(data[at]) != FStartByte) {
            const void* found = std::memchr(data + at, FStartByte, size - at);
            if (found == nullptr) {
                FStartScan = size;
                return false;
            }
            at = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        }
        if (at > 0) {
            StartPacketAt(at + 1);  // reports the bytes before the start
            return true;
        }
        FPacketOpen = true;
        FStartScan = 0;
        FStopScan = 0;
    }
    const std::size_t from = std::max<std::size_t>(1, FStopScan);
    const void* stop = from < size ? std::memchr(data + from, FStopByte, size - from) : nullptr;
    if (stop == nullptr) {
        if (size > 0) FStopScan = std::max(from, size);
        return false;
    }
    DeliverPacket(static_cast<std::size_t>(static_cast<const char*>(stop) - data) + 1);
    return true;
}

void TComDataPacket::FindStart() {
    int pos = -1;
    if (OnCustomStart) DoCustomStart(std::string(Pending()), pos);
    if (pos > 0) {
        StartPacketAt(static_cast<std::size_t>(pos));
    } else if (pos == -1 && !FStartString.empty()) {
        std::string_view buffer = Pending();
        std::size_t found = Find(buffer, FStartString, FStartScan);
        if (found != npos) {
            StartPacketAt(found + 1);
        } else {
            std::size_t keep = FStartString.size() - 1;
            FStartScan = buffer.size() > keep ? buffer.size() - keep : 0;
        }
    } else if (pos == -1) {
        // No start string: the buffer begins the packet, whatever it holds.
        FPacketOpen = true;
        FStopScan = 0;
    }
}

std::size_t TComDataPacket::FindEnd() {
    int pos = -1;
    if (OnCustomStop) DoCustomStop(std::string(Pending()), pos);
    if (pos > 0) return static_cast<std::size_t>(pos);
    if (pos != -1) return 0;
    std::string_view buffer = Pending();
    if (FSize > 0 && buffer.size() >= static_cast<std::size_t>(FSize))
        return static_cast<std::size_t>(FSize);
    if (FStopString.empty()) return 0;
    std::size_t from = std::max(FStartString.size(), FStopScan);
    std::size_t found = Find(buffer, FStopString, from);
    if (found == npos) {
        std::size_t keep = FStopString.size() - 1;
        if (buffer.size() > keep) FStopScan = std::max(from, buffer.size() - keep);
        return 0;
    }
    return found + FStopString.size();
}

void TComDataPacket::StartPacketAt(std::size_t Pos) {
    FPacketOpen = true;
    FStartScan = 0;
    FStopScan = 0;
    std::size_t count = Pos > 1 ? std::min(Pos - 1, Pending().size()) : 0;
    if (count == 0) return;
    std::string discarded(Pending().substr(0, count));
    Consume(count);
    DoDiscard(discarded);
}

void TComDataPacket::DeliverPacket(std::size_t End) {
    FPacketOpen = false;
    std::size_t count = std::min(End, Pending().size());
    std::string packet(Pending().substr(0, count));
    Consume(count);
    if (!FIncludeStrings) Strip(packet);
    DoPacket(packet);
}

void TComDataPacket::Consume(std::size_t Count) {
    FHead += Count;
    FStartScan = 0;
    FStopScan = 0;
}

void TComDataPacket::Strip(std::string& Packet) const {
    if (!FStartString.empty() && Find(Packet, FStartString, 0) == 0)
        Packet.erase(0, FStartString.size());
    if (!FStopString.empty()) {
        std::size_t found = Find(Packet, FStopString, 0);
        if (found != npos && found + FStopString.size() == Packet.size()) Packet.erase(found);
    }
}

void TComDataPacket::CheckLimit() {
    if (FHead > 0) {
        FPending.erase(0, FHead);
        FHead = 0;
    }
    if (FMaxBufferSize > 0 && FPending.size() >= static_cast<std::size_t>(FMaxBufferSize))
        DiscardBuffer();
}

void TComDataPacket::DiscardBuffer() {
    if (Pending().empty()) return;
    std::string all(Pending());
    struct Empty {
        TComDataPacket& Self;
        ~Empty() {
            Self.FPending.clear();
            Self.FHead = 0;
            Self.FPacketOpen = false;
            Self.FStartScan = 0;
            Self.FStopScan = 0;
        }
    } empty{*this};
    DoDiscard(all);
}

std::size_t TComDataPacket::FindLonger(std::string_view Text, const std::string& What,
                                       std::size_t From) const {
    const std::size_t m = What.size();
    if (m == 0 || From > Text.size() || Text.size() - From < m) return npos;
    if (FCaseInsensitive && HasLetter(What)) return FindFolded(Text, What, From);
    // memchr for the first byte, then the rest: the library's own search compares at every
    // position.
    const char* const begin = Text.data();
    const char* const last = begin + (Text.size() - m);  // the last place a match can begin
    for (const char* at = begin + From; at <= last; ++at) {
        at = static_cast<const char*>(
            std::memchr(at, What[0], static_cast<std::size_t>(last - at) + 1));
        if (at == nullptr) return npos;
        if (std::memcmp(at + 1, What.data() + 1, m - 1) == 0)
            return static_cast<std::size_t>(at - begin);
    }
    return npos;
}

std::size_t TComDataPacket::FindFolded(std::string_view Text, const std::string& What,
                                       std::size_t From) {
    const std::size_t m = What.size();
    const unsigned char first = Fold(What[0]);
    for (std::size_t i = From; i + m <= Text.size(); ++i) {
        if (Fold(Text[i]) != first) continue;
        std::size_t j = 1;
        while (j < m && Fold(Text[i + j]) == Fold(What[j])) ++j;
        if (j == m) return i;
    }
    return npos;
}

void TComDataPacket::DoDiscard(const std::string& Str) {
    if (OnDiscard) OnDiscard(this, Str);
}
void TComDataPacket::DoPacket(const std::string& Str) {
    if (OnPacket) OnPacket(this, Str);
}
void TComDataPacket::DoCustomStart(const std::string& Str, int& Pos) {
    if (OnCustomStart) OnCustomStart(this, Str, Pos);
}
void TComDataPacket::DoCustomStop(const std::string& Str, int& Pos) {
    if (OnCustomStop) OnCustomStop(this, Str, Pos);
}

}  // namespace trimora
