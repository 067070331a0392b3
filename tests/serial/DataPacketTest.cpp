#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;
using trimora::test::ConfigureLikeProtocol;
using trimora::test::Hex;

namespace {
std::string Bytes(const std::string& hex) {
    std::string out;
    std::string digits;
    for (char c : hex)
        if (c != ' ') digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

// Records what a framer delivers: "P <hex>" for a packet, "D <hex>" for discarded bytes, and
// "|" after each block fed.
struct Recorder {
    std::vector<std::string> Log;
    void Attach(TComDataPacket& f) {
        f.OnPacket = [this](TObject*, const std::string& s) { Log.push_back("P " + Hex(s)); };
        f.OnDiscard = [this](TObject*, const std::string& s) { Log.push_back("D " + Hex(s)); };
    }
    void Feed(TComDataPacket& f, const std::vector<std::string>& blocks) {
        for (const auto& b : blocks) {
            f.AddReceived(b);
            Log.push_back("|");
        }
    }
    // The deliveries alone, without block marks.
    std::vector<std::string> Deliveries() const {
        std::vector<std::string> out;
        for (const auto& l : Log)
            if (l != "|") out.push_back(l);
        return out;
    }
};

struct Config {
    std::string Start = ">", Stop = "!";
    bool Fold = true, Include = true;
    int Size = 0, Limit = 1024;
    void Apply(TComDataPacket& f) const {
        f.SetStartString(Start);
        f.SetStopString(Stop);
        f.SetCaseInsensitive(Fold);
        f.SetIncludeStrings(Include);
        f.SetSize(Size);
        f.SetMaxBufferSize(Limit);
    }
};

std::string Garbage(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(0x40 + i % 0x3D);  // no 3E
    return s;
}
}  // namespace

TEST(DataPacket, CutsTheStreamIntoPackets) {
    struct Case {
        const char* Name;
        Config Cfg;
        std::vector<std::string> Blocks;  // hex
        std::vector<std::string> Log;
    };
    Config protocol;
    Config noStrip = protocol;
    noStrip.Include = false;
    Config sized = noStrip;
    sized.Size = 5;
    Config folding;
    folding.Start = "ab";
    Config exact = folding;
    exact.Fold = false;
    Config noEnd;
    noEnd.Stop = "";
    Config wide;
    wide.Start = "<<";
    wide.Stop = ">>";
    Config noStart;
    noStart.Start = "";
    Config letters;
    letters.Start = "a";
    letters.Stop = "z";
    const std::vector<Case> cases = {
        {"one packet", protocol, {"3E 41 21"}, {"P 3E4121", "|"}},
        {"garbage before the start", protocol, {"78 79 3E 41 21"}, {"D 7879", "P 3E4121", "|"}},
        {"packet over two blocks", protocol, {"3E 41", "42 21"}, {"|", "P 3E414221", "|"}},
        {"three packets in one block",
         protocol,
         {"3E4121 3E4221 3E4321"},
         {"P 3E4121", "P 3E4221", "P 3E4321", "|"}},
        {"an inner 21 ends the packet early; the rest goes with the next start",
         protocol,
         {"3E 01 21 02 41 42 00 21", "3E 01 07 00 21"},
         {"P 3E0121", "|", "D 0241420021", "P 3E01070021", "|"}},
        {"00 bytes are content", protocol, {"3E 00 00 41 00 21"}, {"P 3E0000410021", "|"}},
        {"a start inside a packet is content", protocol, {"3E 41 3E 42 21"}, {"P 3E413E4221", "|"}},
        {"folded start, bytes delivered as received",
         folding,
         {"78 41 42 31 21"},
         {"D 78", "P 41423121", "|"}},
        {"without folding the upper-case start is no start", exact, {"78 41 42 31 21"}, {"|"}},
        {"strings stripped", noStrip, {"3E 41 21"}, {"P 41", "|"}},
        {"size rule wins over an earlier stop", sized, {"3E 41 21 42 21"}, {"P 41214221", "|"}},
        {"size rule not yet reached: the stop ends it",
         sized,
         {"3E 41 21", "42 21"},
         {"P 41", "|", "|"}},
        {"no end rule: every block whole", noEnd, {"78 3E", "41"}, {"P 783E", "|", "P 41", "|"}},
        {"two-byte strings across blocks",
         wide,
         {"78 78 3C", "3C 61 62 3E", "3E 79 79"},
         {"|", "D 7878", "|", "P 3C3C61623E3E", "|"}},
        {"two-byte stop not found across a near miss",
         wide,
         {"3C 3C 3E 61 3E", "3E"},
         {"|", "P 3C3C3E613E3E", "|"}},
        {"no start string: the buffer begins the packet", noStart, {"41 21 42"}, {"P 4121", "|"}},
        {"one-letter strings fold both ways",
         letters,
         {"78 41 42 7A 61 5A"},
         {"D 78", "P 41427A", "P 615A", "|"}},
        {"two-byte stop after a near miss in the same block",
         wide,
         {"3C 3C 3E 61 3E 3E 3C"},
         {"P 3C3C3E613E3E", "|"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TComDataPacket f(nullptr);
        c.Cfg.Apply(f);
        Recorder r;
        r.Attach(f);
        std::vector<std::string> blocks;
        for (const auto& h : c.Blocks) blocks.push_back(Bytes(h));
        r.Feed(f, blocks);
        EXPECT_EQ(r.Log, c.Log);
    }
}

TEST(DataPacket, BlockBoundariesDoNotChangeTheResult) {
    // Frames with inner 3E, 21 and 00 bytes, garbage, and two-byte strings where they apply.
    const std::string stream = Bytes(
        "7A 3E 01 00 05 00 10 3E 00 07 00 21 55 3E 01 21 05 01 02 03 04 05 00 21 3E 00 00 21 66 "
        "3C 3C 61 3E 3C 3E 3E 3E 21");
    for (const Config& cfg : {Config{}, Config{"<<", ">>"}, Config{">", "!", true, false}}) {
        SCOPED_TRACE(cfg.Start + " " + cfg.Stop);
        auto run = [&](const std::vector<std::string>& blocks) {
            TComDataPacket f(nullptr);
            cfg.Apply(f);
            Recorder r;
            r.Attach(f);
            r.Feed(f, blocks);
            return r.Deliveries();
        };
        const auto whole = run({stream});
        ASSERT_FALSE(whole.empty());
        for (std::size_t cut = 1; cut < stream.size(); ++cut)
            EXPECT_EQ(run({stream.substr(0, cut), stream.substr(cut)}), whole) << "cut at " << cut;
        std::vector<std::string> single;
        for (char c : stream) single.push_back(std::string(1, c));
        EXPECT_EQ(run(single), whole) << "byte by byte";
    }
}

TEST(DataPacket, BufferLimitThrowsAwayTheWholeBuffer) {
    TComDataPacket f(nullptr);
    ConfigureLikeProtocol(f);
    Recorder r;
    r.Attach(f);

    f.AddReceived(Garbage(1023));
    EXPECT_TRUE(r.Log.empty()) << "1023 bytes without a start stay buffered";
    f.AddReceived(Garbage(5));
    ASSERT_EQ(r.Log.size(), 1u);
    EXPECT_EQ(r.Log[0].size(), 2 + 2 * 1028u) << "one discard of all 1028 bytes";
    EXPECT_TRUE(f.Pending().empty());

    r.Log.clear();
    f.AddReceived(">" + Garbage(1022));
    EXPECT_TRUE(r.Log.empty());
    f.AddReceived("A");  // the unfinished packet reaches 1024
    ASSERT_EQ(r.Log.size(), 1u);
    EXPECT_EQ(r.Log[0].substr(0, 4), "D 3E");
    EXPECT_FALSE(f.PacketOpen());

    r.Log.clear();
    f.AddReceived(Bytes("41 3E 42 21"));  // afresh from the next start
    EXPECT_EQ(r.Log, (std::vector<std::string>{"D 41", "P 3E4221"}));
}

TEST(DataPacket, CustomRulesChooseStartAndEnd) {
    // A length-aware end rule, as a dongle frame would need: 3E cmd id N data.. 00 21.
    TComDataPacket f(nullptr);
    f.SetStartString(">");
    f.SetIncludeStrings(true);
    f.OnCustomStop = [](TObject*, const std::string& s, int& pos) {
        if (s.size() >= 4 && s.size() >= static_cast<std::size_t>(s[3]) + 6) pos = s[3] + 6;
    };
    Recorder r;
    r.Attach(f);
    r.Feed(f, {Bytes("3E 01 21 02 21 41 00"), Bytes("21 3E 02 01 00 00 21")});
    EXPECT_EQ(r.Log, (std::vector<std::string>{"|", "P 3E01210221410021", "P 3E0201000021", "|"}));

    // A start rule's position wins over the start string; 0 holds the search.
    for (int answer : {3, 0}) {
        TComDataPacket g(nullptr);
        g.SetStartString("c");
        g.SetIncludeStrings(true);
        g.SetStopString("!");
        g.OnCustomStart = [&](TObject*, const std::string& s, int& pos) {
            if (!s.empty()) pos = answer;
        };
        Recorder s;
        s.Attach(g);
        s.Feed(g, {"ab>cd!"});
        if (answer == 3) {
            EXPECT_EQ(s.Log, (std::vector<std::string>{"D 6162", "P 3E636421", "|"}));
        } else {
            EXPECT_EQ(s.Log, (std::vector<std::string>{"|"}));
            EXPECT_EQ(g.Pending(), "ab>cd!");
        }
    }
}

TEST(DataPacket, HandlerErrorLeavesAfterTheLimitCheck) {
    TComDataPacket f(nullptr);
    ConfigureLikeProtocol(f);
    f.SetMaxBufferSize(4);
    Recorder r;
    r.Attach(f);
    int packets = 0;
    f.OnPacket = [&](TObject*, const std::string& s) {
        r.Log.push_back("P " + Hex(s));
        if (++packets == 1) throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(f.AddReceived(Bytes("3E 41 21 78 79 7A 7B")), std::runtime_error);
    EXPECT_EQ(r.Log, (std::vector<std::string>{"P 3E4121", "D 78797A7B"}));
    EXPECT_TRUE(f.Pending().empty());

    f.AddReceived(Bytes("3E 42 21"));
    EXPECT_EQ(r.Log.back(), "P 3E4221") << "the failed packet is not delivered again";
    EXPECT_EQ(r.Log.size(), 3u);
}

TEST(DataPacket, DiscardBufferEmptiesEvenWhenItsHandlerFails) {
    TComDataPacket f(nullptr);
    ConfigureLikeProtocol(f);
    f.OnDiscard = [](TObject*, const std::string&) { throw std::runtime_error("no"); };
    f.AddReceived(Bytes("3E 41"));
    EXPECT_THROW(f.DiscardBuffer(), std::runtime_error);
    EXPECT_TRUE(f.Pending().empty());
    EXPECT_FALSE(f.PacketOpen());
}

TEST(DataPacket, ChangingAStringDiscardsTheBufferAndTheSameValueDoesNot) {
    TComDataPacket f(nullptr);
    ConfigureLikeProtocol(f);
    Recorder r;
    r.Attach(f);
    f.AddReceived(Bytes("3E 41"));
    ConfigureLikeProtocol(f);  // as the protocol does on every port it tries
    EXPECT_TRUE(r.Log.empty());
    EXPECT_EQ(f.Pending(), Bytes("3E 41"));
    f.SetStopString("#");
    EXPECT_EQ(r.Log, (std::vector<std::string>{"D 3E41"}));
    EXPECT_TRUE(f.Pending().empty());
    f.SetSize(4);
    f.SetCaseInsensitive(false);
    EXPECT_EQ(r.Log.size(), 1u) << "an empty buffer reports nothing";
}

TEST(DataPacket, AttachesToAPortAndLetsGoWhenThePortGoes) {
    auto port = std::make_unique<TComPort>(nullptr);
    TComDataPacket f(nullptr);
    ConfigureLikeProtocol(f);
    f.SetComPort(port.get());
    EXPECT_EQ(f.ComPort(), port.get());
    f.SetComPort(port.get());  // the same port again registers nothing twice

    f.AddReceived(Bytes("3E 41"));
    port.reset();
    EXPECT_EQ(f.ComPort(), nullptr);
    EXPECT_EQ(f.Pending(), Bytes("3E 41")) << "the buffer stays as it was";

    TComPort other(nullptr);
    f.SetComPort(&other);
    f.SetComPort(nullptr);
    TComLink probe;
    other.AttachLink(&probe);  // the framer's link is gone; the port works on
    other.DetachLink(&probe);
}
