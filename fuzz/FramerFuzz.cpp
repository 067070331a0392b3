// The packet framer with any bytes, split into blocks at any points, under the protocol's
// configuration and under random start, stop, size, limit and custom rules.
//
// Plain runs compare every event, the buffer and the packet state after each block with a
// reference cutter that searches from the start of the buffer every time, as the framer's
// rules are written. Chaos runs let the handlers throw, re-enter, discard and change settings
// in the middle of a cut; they check that no byte is lost or invented and that the buffer
// stays within its limit.
//
// Input: [mode] [configuration unless the protocol's] [chaos script if chaos] then blocks of
// [length][bytes].
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "runtime/Application.h"
#include "serial/DataPacket.h"

namespace {

using namespace trimora;

class Input {
  public:
    Input(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
    bool Empty() const { return FAt >= FSize; }
    std::uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
    std::string Bytes(std::size_t N) {
        const std::size_t n = std::min(N, FSize - FAt);
        std::string s(reinterpret_cast<const char*>(FData + FAt), n);
        FAt += n;
        return s;
    }

  private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FAt = 0;
};

// A user's start or end rule, as a pure function of the buffer; -1 means "no opinion".
struct Rule {
    enum Kind : std::uint8_t { None, FirstByte, Fixed, Zero, Invalid } kind = None;
    std::uint8_t param = 0;

    int operator()(const std::string& Buffer) const {
        switch (kind) {
            case FirstByte: {
                const std::size_t at = Buffer.find(static_cast<char>(param));
                return at == std::string::npos ? -1 : static_cast<int>(at) + 1;
            }
            case Fixed:  // may lie beyond the buffer
                return Buffer.empty() ? -1 : (param % 64) + 1;
            case Zero:
                return 0;
            case Invalid:
                return -2;
            default:
                return -1;
        }
    }
};

struct Config {
    std::string start, stop;
    std::int32_t size = 0;
    std::int32_t limit = 1024;
    bool include = true;
    bool caseInsensitive = false;
    Rule customStart, customStop;
};

Config ProtocolConfig() {
    Config c;
    c.start = ">";
    c.stop = "!";
    c.caseInsensitive = true;
    c.include = true;
    return c;
}

Rule ReadRule(Input& In) {
    const std::uint8_t b = In.Byte();
    return Rule{static_cast<Rule::Kind>(1 + b % 4), In.Byte()};
}

Config ReadConfig(Input& In) {
    Config c;
    const std::uint8_t flags = In.Byte();
    c.include = flags & 0x10;
    c.caseInsensitive = flags & 0x20;
    c.start = In.Bytes(flags & 3);
    c.stop = In.Bytes((flags >> 2) & 3);
    c.size = static_cast<std::int8_t>(In.Byte()) % 24;
    const std::uint8_t limit = In.Byte();
    c.limit = limit == 255 ? 1024 : limit == 254 ? -1 : limit;
    if (flags & 0x40) c.customStart = ReadRule(In);
    if (flags & 0x80) c.customStop = ReadRule(In);
    return c;
}

unsigned char Fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 0x20) : u;
}

struct Event {
    bool packet;
    std::string bytes;
    bool operator==(const Event&) const = default;
};

// The cutting rules as written: every search starts at the beginning of what it searches.
class ReferenceCutter {
  public:
    explicit ReferenceCutter(const Config& C) : FC(C) {}

    void Add(const std::string& T) {
        if (FC.size <= 0 && FC.stop.empty() && FC.customStop.kind == Rule::None) {
            FEvents.push_back({true, T});
            return;
        }
        FPending += T;
        for (;;) {
            if (!FOpen) {
                int p = FC.customStart.kind != Rule::None ? FC.customStart(FPending) : -1;
                if (p == -1 && !FC.start.empty()) {
                    const std::size_t q = Find(FPending, FC.start);
                    if (q != std::string::npos) p = static_cast<int>(q) + 1;
                } else if (p == -1) {
                    FOpen = true;
                }
                if (p > 0) {
                    FOpen = true;
                    const std::size_t n = std::min<std::size_t>(p - 1, FPending.size());
                    if (n > 0) FEvents.push_back({false, FPending.substr(0, n)});
                    FPending.erase(0, n);
                }
            }
            if (!FOpen) break;
            int e = FC.customStop.kind != Rule::None ? FC.customStop(FPending) : -1;
            if (e == -1) {
                if (FC.size > 0 && FPending.size() >= static_cast<std::size_t>(FC.size)) {
                    e = FC.size;
                } else {
                    const std::size_t l = std::min(FC.start.size(), FPending.size());
                    const std::size_t q = Find(FPending.substr(l), FC.stop);
                    if (q != std::string::npos) e = static_cast<int>(l + q + FC.stop.size());
                }
            }
            if (e <= 0) break;
            FOpen = false;
            std::string packet = FPending.substr(0, e);
            FPending.erase(0, packet.size());
            if (!FC.include) Strip(packet);
            FEvents.push_back({true, packet});
        }
        if (FC.limit > 0 && FPending.size() >= static_cast<std::size_t>(FC.limit)) {
            FEvents.push_back({false, FPending});
            FPending.clear();
            FOpen = false;
        }
    }

    const std::vector<Event>& Events() const { return FEvents; }
    const std::string& Pending() const { return FPending; }
    bool Open() const { return FOpen; }

  private:
    std::size_t Find(const std::string& Text, const std::string& What) const {
        if (What.empty() || Text.size() < What.size()) return std::string::npos;
        for (std::size_t i = 0; i + What.size() <= Text.size(); ++i) {
            bool same = true;
            for (std::size_t j = 0; same && j < What.size(); ++j)
                same = FC.caseInsensitive ? Fold(Text[i + j]) == Fold(What[j])
                                          : Text[i + j] == What[j];
            if (same) return i;
        }
        return std::string::npos;
    }

    void Strip(std::string& Packet) const {
        if (!FC.start.empty() && Find(Packet, FC.start) == 0) Packet.erase(0, FC.start.size());
        if (!FC.stop.empty()) {
            const std::size_t q = Find(Packet, FC.stop);
            if (q != std::string::npos && q + FC.stop.size() == Packet.size()) Packet.erase(q);
        }
    }

    Config FC;
    std::string FPending;
    bool FOpen = false;
    std::vector<Event> FEvents;
};

void Configure(TComDataPacket& Framer, const Config& C) {
    Framer.SetStartString(C.start);
    Framer.SetCaseInsensitive(C.caseInsensitive);
    Framer.SetIncludeStrings(C.include);
    Framer.SetSize(C.size);
    Framer.SetStopString(C.stop);
    Framer.SetMaxBufferSize(C.limit);
    if (C.customStart.kind != Rule::None)
        Framer.OnCustomStart = [r = C.customStart](TObject*, const std::string& Str, int& Pos) {
            Pos = r(Str);
        };
    if (C.customStop.kind != Rule::None)
        Framer.OnCustomStop = [r = C.customStop](TObject*, const std::string& Str, int& Pos) {
            Pos = r(Str);
        };
}

std::vector<std::string> ReadBlocks(Input& In) {
    std::vector<std::string> blocks;
    while (!In.Empty()) blocks.push_back(In.Bytes(In.Byte()));
    return blocks;
}

std::string Concat(const std::vector<Event>& Events) {
    std::string all;
    for (const Event& e : Events) all += e.bytes;
    return all;
}

void CheckProtocolShape(const std::vector<Event>& Events, std::size_t From) {
    for (std::size_t i = From; i < Events.size(); ++i) {
        const std::string& b = Events[i].bytes;
        if (Events[i].packet) {
            FUZZ_CHECK(b.size() >= 2 && b.front() == '\x3E' && b.back() == '\x21');
            FUZZ_CHECK(b.find('\x21') == b.size() - 1);
        } else if (b.size() < 1024) {
            // Bytes skipped before a start; only a buffer thrown away whole may hold one.
            FUZZ_CHECK(b.find('\x3E') == std::string::npos);
        }
    }
}

void RunPlain(const Config& C, bool Protocol, const std::vector<std::string>& Blocks) {
    TComDataPacket framer(nullptr);
    std::vector<Event> events;
    framer.OnPacket = [&](TObject* Sender, const std::string& Str) {
        FUZZ_CHECK(Sender == &framer);
        events.push_back({true, Str});
    };
    framer.OnDiscard = [&](TObject*, const std::string& Str) { events.push_back({false, Str}); };
    Configure(framer, C);
    FUZZ_CHECK(events.empty() && framer.Pending().empty());

    ReferenceCutter reference(C);
    std::string input;
    for (const std::string& block : Blocks) {
        const std::size_t before = events.size();
        framer.AddReceived(block);
        reference.Add(block);
        input += block;
        FUZZ_CHECK(events == reference.Events());
        FUZZ_CHECK(framer.Pending() == reference.Pending());
        FUZZ_CHECK(framer.PacketOpen() == reference.Open());
        if (C.limit > 0) FUZZ_CHECK(framer.Pending().size() < static_cast<std::size_t>(C.limit));
        if (C.include) FUZZ_CHECK(Concat(events) + std::string(framer.Pending()) == input);
        if (Protocol) {
            CheckProtocolShape(events, before);
            const std::string_view pending = framer.Pending();
            FUZZ_CHECK(framer.PacketOpen() ? pending.front() == '\x3E'
                                           : pending.find('\x3E') == std::string_view::npos);
        }
    }
}

// Handlers that misbehave on cue: the script's bytes are read in turn, one per handler call.
class Chaos {
  public:
    Chaos(const Config& C, std::string Script, const std::vector<std::string>& Blocks)
        : FC(C), FScript(std::move(Script)), FBlocks(Blocks), FFramer(nullptr) {}

    void Run() {
        FFramer.OnPacket = [this](TObject*, const std::string& Str) {
            FOut.push_back(Str);
            OnPacket(Str);
        };
        FFramer.OnDiscard = [this](TObject*, const std::string& Str) {
            FOut.push_back(Str);
            if (Next() % 5 == 0) throw std::runtime_error("discard handler failed");
        };
        Configure(FFramer, FC);
        if (FC.customStart.kind != Rule::None)
            FFramer.OnCustomStart = [this, r = FC.customStart](TObject*, const std::string& Str,
                                                               int& Pos) {
                if (Next() % 11 == 0) throw std::runtime_error("start rule failed");
                Pos = r(Str);
            };
        if (FC.customStop.kind != Rule::None)
            FFramer.OnCustomStop = [this, r = FC.customStop](TObject*, const std::string& Str,
                                                             int& Pos) {
                if (Next() % 11 == 0) throw std::runtime_error("stop rule failed");
                Pos = r(Str);
            };
        FOut.clear();  // what the configuration itself discarded came from nowhere
        for (const std::string& block : FBlocks) {
            Add(block);
            const std::int32_t limit = FFramer.MaxBufferSize();
            if (limit > 0) FUZZ_CHECK(FFramer.Pending().size() < static_cast<std::size_t>(limit));
            if (FFramer.IncludeStrings() && FStripped == 0)
                FUZZ_CHECK(Concat() + std::string(FFramer.Pending()) == FIn);
        }
    }

  private:
    std::uint8_t Next() {
        if (FScript.empty()) return 1;
        return static_cast<std::uint8_t>(FScript[FCalls++ % FScript.size()]);
    }

    void Add(const std::string& Block) {
        FIn += Block;
        try {
            FFramer.AddReceived(Block);
        } catch (const std::runtime_error&) {
            // A handler's error leaves the framer; the next block goes on from its state.
        }
    }

    void OnPacket(const std::string& Packet) {
        if (!FFramer.IncludeStrings()) ++FStripped;
        switch (Next() % 10) {
            case 1:
                throw std::runtime_error("packet handler failed");
            case 2:
                if (FDepth < 3) {
                    ++FDepth;
                    const std::string more = Packet.substr(0, Packet.size() / 2);
                    FIn += more;
                    FFramer.AddReceived(more);  // an error here goes on up, as it would
                    --FDepth;
                }
                break;
            case 3:
                FFramer.DiscardBuffer();
                break;
            case 4:
                FFramer.SetStopString(FFramer.StopString().empty() ? FC.stop + "x" : "");
                break;
            case 5:
                FFramer.SetCaseInsensitive(!FFramer.CaseInsensitive());
                break;
            case 6:
                FFramer.SetSize(FFramer.Size() > 0 ? 0 : 1 + Next() % 8);
                break;
            case 7:
                FFramer.SetMaxBufferSize(Next() % 32);
                break;
            case 8:
                FFramer.SetStartString(FFramer.StartString() + static_cast<char>(Next()));
                break;
            default:
                break;
        }
    }

    std::string Concat() const {
        std::string all;
        for (const std::string& s : FOut) all += s;
        return all;
    }

    Config FC;
    std::string FScript;
    const std::vector<std::string>& FBlocks;
    TComDataPacket FFramer;
    std::vector<std::string> FOut;
    std::string FIn;
    std::size_t FCalls = 0;
    int FDepth = 0;
    std::size_t FStripped = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    Application::Instance();
    Input in(Data, Size);
    const std::uint8_t mode = in.Byte();
    const bool protocol = mode & 1;
    const Config config = protocol ? ProtocolConfig() : ReadConfig(in);
    if (mode & 2) {
        std::string script = in.Bytes(in.Byte() % 16);
        const std::vector<std::string> blocks = ReadBlocks(in);
        Chaos(config, std::move(script), blocks).Run();
    } else {
        RunPlain(config, protocol, ReadBlocks(in));
    }
    return 0;
}
