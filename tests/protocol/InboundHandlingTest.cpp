#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <vector>

#include "ProtocolTestSupport.h"
#include "protocol/FrameCodec.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Clock.h"
#include "tests/common/FileContents.h"
#include "tests/common/ScratchFolder.h"

using namespace trimora;
using namespace trimora::testing;

namespace {

// A component whose events and trace lines are written, in order, into one journal.
class Harness {
  public:
    explicit Harness(bool WithTracePane) {
        if (WithTracePane) P.SetDebugMemo(&Trace);
        Trace.OnLineAdded = [this](const std::string&) { Journal.push_back("trace"); };
        P.OnMeasuresReceived = [this](TVelnWirelessConsoleMeasures& val, std::uint8_t id) {
            Journal.push_back("measures " + std::to_string(id) +
                              (&val == &P.LastMeasure() ? " own table" : " a copy"));
        };
        P.OnNAck = [this](std::uint8_t id, std::uint8_t cmd) {
            Journal.push_back("nack " + std::to_string(id) + " " + std::to_string(cmd));
        };
        P.OnAck = [this] { Journal.push_back("ack"); };
        P.OnConsoleAdd = [this](std::int32_t id) {
            Journal.push_back("add " + std::to_string(id));
        };
        P.OnConsoleRemove = [this](std::int32_t id) {
            Journal.push_back("remove " + std::to_string(id));
        };
        P.OnConnection = [this] { Journal.push_back("connection"); };
        P.OnDisconnection = [this] { Journal.push_back("disconnection"); };
        P.OnBeforeSendResistance = [this] { Journal.push_back("before send"); };
        P.OnConnectionStatus = [this](std::int32_t, std::int32_t, TVelnConnectionStatus,
                                      const std::string&) { Journal.push_back("status"); };
        P.OnUsbDisconnect = [this] { Journal.push_back("usb"); };
    }

    void Receive(const std::string& F) { P.PacketReceived(nullptr, F); }

    TVelnWirelessProtocol P{nullptr};
    TMemo Trace;
    std::vector<std::string> Journal;
};

const std::string kDegree = "\xB0";

using Check = std::function<void(const TVelnWirelessProtocol&)>;

void NoTableChanged(const TVelnWirelessProtocol& p) {
    EXPECT_TRUE(p.LastMeasure().Items.empty());
    EXPECT_TRUE(p.ConsolesInfo().empty());
    EXPECT_TRUE(p.Resistances().empty());
}

struct Case {
    const char* what;
    std::string frame;
    std::string line;                  // the trace line, DebugTime false
    std::vector<std::string> journal;  // "trace" marks where the line is written
    Check check;
};

std::vector<Case> Cases() {
    using P = const TVelnWirelessProtocol&;
    return {
        {"measure",
         Frame(0x01, 3, {0x01, 0x2C, 72, 9, 4}),
         "<-3E010305012C480904"
         "0021 Data of console n" +
             kDegree + "3",
         {"measures 3 own table", "trace"},
         [](P p) {
             ASSERT_EQ(p.LastMeasure().Items.size(), 4u);
             for (int i = 0; i < 3; ++i) EXPECT_EQ(p.LastMeasure().Items[i], TVelnMeasureItem{});
             const TVelnMeasureItem& m = p.LastMeasure().Items[3];
             EXPECT_EQ(m.ConsoleId, 3);
             EXPECT_EQ(m.Speed, 300);
             EXPECT_EQ(m.HR, 72);
             EXPECT_EQ(m.Aux, 9);
             EXPECT_EQ(m.Keys, 4);
             EXPECT_EQ(m.Distance, 0.0);
             EXPECT_TRUE(p.ConsolesInfo().empty());
             EXPECT_EQ(p.ConsoleCount(), 0);
         }},
        {"measure at full speed",
         Frame(0x01, 0, {0xFF, 0xFF, 0, 0, 0}),
         "<-3E010005FFFF0000000021 Data of console n" + kDegree + "0",
         {"measures 0 own table", "trace"},
         [](P p) {
             ASSERT_EQ(p.LastMeasure().Items.size(), 1u);
             EXPECT_EQ(p.LastMeasure().Items[0].Speed, 65535);
         }},
        {"number of consoles",
         Frame(0x04, 0, {2}),
         "<-3E0400010200"
         "21 Number of Console : 2",
         {"trace"},
         [](P p) {
             EXPECT_EQ(p.ConsoleCount(), 2);
             EXPECT_EQ(p.CountReplyState(), 2);
             NoTableChanged(p);
         }},
        {"NACK 0E",
         Frame(0xFE, 2, {0x0E}),
         "<-3EFE02010E0021 NACK Cmd: 0E  IDConsole: 02",
         {"nack 2 14", "trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 3u);
             TVelnConsoleInfoItem expected;
             expected.AckState0E = 2;
             EXPECT_EQ(p.ConsolesInfo()[2], expected);
             EXPECT_EQ(p.ConsolesInfo()[0], TVelnConsoleInfoItem{});
         }},
        {"NACK 18/19/16/17",
         Frame(0xFE, 1, {0x17}),
         "<-3EFE0101170021 NACK Cmd: 17  IDConsole: 01",
         {"nack 1 23", "trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 2u);
             TVelnConsoleInfoItem expected;
             expected.AckState17 = 2;
             EXPECT_EQ(p.ConsolesInfo()[1], expected);
         }},
        {"NACK of an untracked command",
         Frame(0xFE, 0xAB, {0x13}),
         "<-3EFEAB01130021 NACK Cmd: 13  IDConsole: AB",
         {"nack 171 19", "trace"},
         NoTableChanged},
        {"ACK 18",
         Frame(0xFF, 1, {0x18}),
         "<-3EFF0101180021 ACK",
         {"ack", "trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 2u);
             TVelnConsoleInfoItem expected;
             expected.AckState18 = 1;
             EXPECT_EQ(p.ConsolesInfo()[1], expected);
         }},
        {"ACK 19",
         Frame(0xFF, 0, {0x19}),
         "<-3EFF0001190021 ACK",
         {"ack", "trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 1u);
             EXPECT_EQ(p.ConsolesInfo()[0].AckState19, 1);
             EXPECT_EQ(p.ConsolesInfo()[0].AckState16, 0);
         }},
        {"ACK 0E",
         Frame(0xFF, 0, {0x0E}),
         "<-3EFF00010E0021 ACK",
         {"ack", "trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 1u);
             EXPECT_EQ(p.ConsolesInfo()[0].AckState0E, 5);
         }},
        {"ACK of an untracked command",
         Frame(0xFF, 0, {0x13}),
         "<-3EFF0001130021 ACK",
         {"ack", "trace"},
         NoTableChanged},
        {"console add",
         Frame(0x05, 0, {4}),
         "<-3E050001040021 Console Add ID=4",
         {"trace", "add 4"},
         [](P p) {
             EXPECT_EQ(p.ConsoleCount(), 1);
             ASSERT_EQ(p.ConsolesInfo().size(), 5u);
             TVelnConsoleInfoItem expected;
             expected.ConsoleId = 4;
             expected.Present = true;
             EXPECT_EQ(p.ConsolesInfo()[4], expected);
             EXPECT_EQ(p.ConsolesInfo()[0], TVelnConsoleInfoItem{})
                 << "the frame's id byte is unused";
         }},
        {"console remove with none counted",
         Frame(0x06, 9, {4}),
         "<-3E060901040021 Console Remove ID=4",
         {"trace", "remove 4"},
         [](P p) {
             EXPECT_EQ(p.ConsoleCount(), 0);
             ASSERT_EQ(p.ConsolesInfo().size(), 5u);
             EXPECT_EQ(p.ConsolesInfo()[4], TVelnConsoleInfoItem{});
         }},
        {"registration reply",
         Frame(0x02, 0, {3}),
         "<-3E020001030021 Open Dongle Cons.Nbr.=3",
         {"trace"},
         [](P p) {
             EXPECT_EQ(p.ConsoleCount(), 3);
             EXPECT_EQ(p.CountReplyState(), 0);
             NoTableChanged(p);
         }},
        {"serial reply",
         Frame(0x09, 0, {0x00, 0x01, 0x00}),
         "<-3E090003000100"
         "0021 Serial Nbr.= 0x000100 ID = 0",
         {"trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 1u);
             TVelnConsoleInfoItem expected;
             expected.SerialNumber = 256;
             EXPECT_EQ(p.ConsolesInfo()[0], expected);
         }},
        {"largest serial",
         Frame(0x09, 2, {0xFF, 0xFE, 0xFD}),
         "<-3E090203FFFEFD0021 Serial Nbr.= 0xFFFEFD ID = 2",
         {"trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 3u);
             EXPECT_EQ(p.ConsolesInfo()[2].SerialNumber, 0xFFFEFD);
         }},
        {"version reply",
         Frame(0x0A, 0, {0x78}),
         "<-3E0A0001780021 Version Nbr.= 0x78 ID = 0",
         {"trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 1u);
             TVelnConsoleInfoItem expected;
             expected.Version = 0x78;
             EXPECT_EQ(p.ConsolesInfo()[0], expected);
         }},
        {"firmware reply",
         Frame(0x15, 1, {0x02, 0x0A}),
         "<-3E150102020A0021 Firmware Version Nbr.= 0x020A ID = 1",
         {"trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 2u);
             TVelnConsoleInfoItem expected;
             expected.FirmwareMajor = 2;
             expected.FirmwareMinor = 10;
             EXPECT_EQ(p.ConsolesInfo()[1], expected);
         }},
        {"total rolls",
         Frame(0x0B, 2, {0xFF, 0xFF}),
         "<-3E0B0202FFFF0021 Total Rolls.= 2097120 ID = 2",
         {"trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 3u);
             EXPECT_EQ(p.ConsolesInfo()[2].TotalRolls, 2097120);
         }},
        {"data ids",
         Frame(0x0F, 1, {3, 7, 8, 9}),
         "<-3E0F0104030708090021 Data ID=1",
         {"trace"},
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 2u);
             TVelnConsoleInfoItem expected;
             expected.DataIdCount = 3;
             expected.DataIds = {7, 8, 9, 0, 0, 0, 0, 0};
             expected.DataIdState = 1;
             EXPECT_EQ(p.ConsolesInfo()[1], expected);
         }},
        {"unknown code",
         Frame(0x03, 0, {}),
         "<-3E0300000021 ??? unknown message",
         {"trace"},
         [](P p) {
             NoTableChanged(p);
             EXPECT_EQ(p.ConsoleCount(), 0);
             EXPECT_EQ(p.CountReplyState(), 0);
         }},
    };
}

}  // namespace

TEST(PacketReceived, EachCommandUpdatesTracesAndRaisesInOrder) {
    for (const Case& c : Cases()) {
        for (bool pane : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (pane ? ", trace pane" : ", no trace pane"));
            Harness h(pane);
            const std::uint32_t before = GetTickCount();
            h.Receive(c.frame);
            const std::uint32_t after = GetTickCount();
            std::vector<std::string> journal;
            for (const std::string& e : c.journal)
                if (pane || e != "trace") journal.push_back(e);
            EXPECT_EQ(h.Journal, journal);
            if (pane) {
                EXPECT_EQ(h.Trace.Lines(), std::vector<std::string>{c.line});
            }
            c.check(h.P);
            for (const TVelnMeasureItem& m : h.P.LastMeasure().Items) {
                if (m == TVelnMeasureItem{}) continue;
                EXPECT_LE(m.LastTick - before, after - before) << "tick read while decoding";
            }
        }
    }
}

TEST(PacketReceived, TimePrefixWhenDebugTime) {
    FormatOverride fmt;
    fmt->LongTimeFormat = "[T]";
    Harness h(true);
    h.P.SetDebugTime(true);
    h.Receive(Frame(0x0A, 0, {0x78}));
    h.Receive(Frame(0xFE, 2, {0x0E}));  // this line drops its details when timed
    h.Receive(Frame(0x01, 1, {0, 1, 2, 3, 4}));
    h.Receive(Frame(0x03, 0, {}));
    EXPECT_EQ(h.Trace.Lines(), (std::vector<std::string>{
                                   "[T]<-3E0A0001780021 Version Nbr.= 0x78 ID = 0",
                                   "[T]<-3EFE02010E0021 NACK",
                                   "[T]<-3E010105000102030400"
                                   "21 Data of console n" +
                                       kDegree + "1",
                                   "[T]<-3E0300000021 ??? unknown message",
                               }));
}

TEST(PacketReceived, TimePrefixIsTheLocalTimeOfDay) {
    FormatOverride fmt;
    fmt->LongTimeFormat = "%H:%M:%S";
    Harness h(true);
    h.P.SetDebugTime(true);
    h.Receive(Frame(0xFF, 0, {0x13}));
    ASSERT_EQ(h.Trace.Count(), 1);
    const std::string& line = h.Trace.Line(0);
    ASSERT_EQ(line.size(), 8u + std::string("<-3EFF0001130021 ACK").size());
    EXPECT_EQ(line.substr(8), "<-3EFF0001130021 ACK");
    int hh = -1, mm = -1, ss = -1;
    char c1 = 0, c2 = 0;
    std::istringstream in(line.substr(0, 8));
    in >> hh >> c1 >> mm >> c2 >> ss;
    EXPECT_TRUE(hh >= 0 && hh < 24 && mm >= 0 && mm < 60 && ss >= 0 && ss < 61 && c1 == ':' &&
                c2 == ':')
        << line;
}

TEST(PacketReceived, DebugNoDataDropsOnlyMeasureLines) {
    Harness h(true);
    TMemo hr;
    h.P.SetDebugHR(&hr);
    h.P.SetDebugNoData(true);
    h.Receive(Frame(0x01, 2, {0, 100, 61, 0, 0}));
    h.Receive(Frame(0x0A, 0, {0x78}));
    EXPECT_EQ(h.Journal, (std::vector<std::string>{"measures 2 own table", "trace"}));
    EXPECT_EQ(h.Trace.Lines(),
              std::vector<std::string>{"<-3E0A0001780021 Version Nbr.= 0x78 ID = 0"});
    EXPECT_EQ(hr.Lines(), std::vector<std::string>{"ID;2;61"});
    EXPECT_EQ(h.P.LastMeasure().Items.at(2).Speed, 100);
}

TEST(PacketReceived, ConsoleCountFollowsAddAndRemoveNotices) {
    Harness h(false);
    const std::string add4 = Frame(0x05, 0, {4});
    const std::string remove4 = Frame(0x06, 0, {4});
    h.Receive(add4);
    h.Receive(add4);  // a repeated notice counts again
    EXPECT_EQ(h.P.ConsoleCount(), 2);
    h.Receive(remove4);
    EXPECT_EQ(h.P.ConsoleCount(), 1);
    EXPECT_FALSE(h.P.ConsolesInfo()[4].Present);
    h.Receive(remove4);
    h.Receive(remove4);  // never below 0
    EXPECT_EQ(h.P.ConsoleCount(), 0);
    h.Receive(Frame(0x02, 0, {7}));  // the dongle's own figure replaces the count
    EXPECT_EQ(h.P.ConsoleCount(), 7);
    EXPECT_EQ(h.Journal,
              (std::vector<std::string>{"add 4", "add 4", "remove 4", "remove 4", "remove 4"}));
}

TEST(PacketReceived, DataIdReports) {
    Harness h(false);
    h.Receive(Frame(0x0F, 1, {5, 1, 2, 3, 4, 5}));
    h.Receive(Frame(0x0F, 1, {2, 9, 8}));  // shorter report: ids beyond it keep their values
    TVelnConsoleInfoItem expected;
    expected.DataIdState = 1;
    expected.DataIdCount = 2;
    expected.DataIds = {9, 8, 3, 4, 5, 0, 0, 0};
    EXPECT_EQ(h.P.ConsolesInfo().at(1), expected);

    h.Receive(Frame(0x0F, 1, {0}));  // empty report: only the state changes
    expected.DataIdState = 3;
    EXPECT_EQ(h.P.ConsolesInfo().at(1), expected);

    // More than a row holds: the first 8 are kept.
    h.Receive(Frame(0x0F, 1, {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
    expected.DataIdState = 1;
    expected.DataIdCount = 8;
    expected.DataIds = {11, 12, 13, 14, 15, 16, 17, 18};
    EXPECT_EQ(h.P.ConsolesInfo().at(1), expected);
    EXPECT_EQ(h.P.ConsolesInfo().size(), 2u);
}

// A valid frame whose data field is shorter than its message needs: the bytes that are not
// there read as 0, never as the reserved or end byte that follow.
TEST(PacketReceived, MissingDataBytesReadAsZero) {
    struct ShortCase {
        const char* what;
        std::string frame;
        std::string line;
        Check check;
    };
    using P = const TVelnWirelessProtocol&;
    const ShortCase cases[] = {
        {"measure without data", Frame(0x01, 2, {}, 0x55),
         "<-3E01020055"
         "21 Data of console n" +
             kDegree + "2",
         [](P p) {
             ASSERT_EQ(p.LastMeasure().Items.size(), 3u);
             TVelnMeasureItem m = p.LastMeasure().Items[2];
             EXPECT_EQ(m.ConsoleId, 2);
             m.ConsoleId = 0;
             m.LastTick = 0;
             EXPECT_EQ(m, TVelnMeasureItem{});
         }},
        {"measure with 3 of 5 bytes", Frame(0x01, 0, {0x01, 0x02, 0x03}, 0x55),
         "<-3E010003010203"
         "5521 Data of console n" +
             kDegree + "0",
         [](P p) {
             const TVelnMeasureItem& m = p.LastMeasure().Items.at(0);
             EXPECT_EQ(m.Speed, 0x0102);
             EXPECT_EQ(m.HR, 3);
             EXPECT_EQ(m.Aux, 0);
             EXPECT_EQ(m.Keys, 0);
         }},
        {"version without data", Frame(0x0A, 0, {}, 0x78),
         "<-3E0A000078"
         "21 Version Nbr.= 0x00 ID = 0",
         [](P p) { EXPECT_EQ(p.ConsolesInfo().at(0).Version, 0); }},
        {"serial with one byte", Frame(0x09, 0, {0x12}, 0x55),
         "<-3E090001125521 Serial Nbr.= 0x120000 ID = 0",
         [](P p) { EXPECT_EQ(p.ConsolesInfo().at(0).SerialNumber, 0x120000); }},
        {"firmware with one byte", Frame(0x15, 0, {0x03}, 0x55),
         "<-3E150001035521 Firmware Version Nbr.= 0x0300 ID = 0",
         [](P p) { EXPECT_EQ(p.ConsolesInfo().at(0).FirmwareMinor, 0); }},
        {"total rolls with one byte", Frame(0x0B, 0, {0x01}, 0x55),
         "<-3E0B0001015521 Total Rolls.= 8192 ID = 0",
         [](P p) { EXPECT_EQ(p.ConsolesInfo().at(0).TotalRolls, 8192); }},
        {"data ids cut short", Frame(0x0F, 0, {4, 0x42}, 0x55),
         "<-3E0F0002044255"
         "21 Data ID=0",
         [](P p) {
             const TVelnConsoleInfoItem& r = p.ConsolesInfo().at(0);
             EXPECT_EQ(r.DataIdCount, 4);
             EXPECT_EQ(r.DataIds, (std::array<std::uint8_t, 8>{0x42, 0, 0, 0, 0, 0, 0, 0}));
         }},
        {"console add without data", Frame(0x05, 3, {}, 0x55),
         "<-3E05030055"
         "21 Console Add ID=0",
         [](P p) {
             ASSERT_EQ(p.ConsolesInfo().size(), 1u);
             EXPECT_TRUE(p.ConsolesInfo()[0].Present);
         }},
        {"number of consoles without data", Frame(0x04, 0, {}, 0x55),
         "<-3E04000055"
         "21 Number of Console : 0",
         [](P p) {
             EXPECT_EQ(p.ConsoleCount(), 0);
             EXPECT_EQ(p.CountReplyState(), 2);
         }},
        {"ACK without data", Frame(0xFF, 0, {}, 0x18), "<-3EFF00001821 ACK", NoTableChanged},
    };
    for (const ShortCase& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h(true);
        h.Receive(c.frame);
        EXPECT_EQ(h.Trace.Lines(), std::vector<std::string>{c.line});
        c.check(h.P);
    }
}

TEST(PacketReceived, InvalidFramesHaveNoEffectAtAll) {
    TMemo hr;
    const std::string cases[] = {
        "",
        Bytes({0x3E}),
        Bytes({0x3E, 0x21}),
        Bytes({0x3E, 0x0A, 0x00, 0x01, 0x78}),              // cut short before its end byte
        Bytes({0x3E, 0x05, 0x00, 0x02, 0x04, 0x00, 0x21}),  // length byte says 2, holds 1
        Bytes({0x3E, 0x05, 0x00, 0x00, 0x04, 0x00, 0x21}),  // length byte says 0, holds 1
        Bytes({0x3C, 0x0A, 0x00, 0x01, 0x78, 0x00, 0x21}),  // wrong start byte
        Bytes({0x3E, 0x0A, 0x00, 0x01, 0x78, 0x00, 0x20}),  // wrong end byte
        Bytes({0x3E, 0x01, 0x03, 0x05, 1, 2, 3, 0x21}),     // measure cut at an inner 0x21
    };
    for (const std::string& f : cases) {
        SCOPED_TRACE(BytesToHex(f));
        Harness h(true);
        h.P.SetDebugHR(&hr);
        h.Receive(f);
        EXPECT_TRUE(h.Journal.empty());
        EXPECT_EQ(h.Trace.Count(), 0);
        EXPECT_EQ(hr.Count(), 0);
        NoTableChanged(h.P);
        EXPECT_EQ(h.P.ConsoleCount(), 0);
        EXPECT_EQ(h.P.CountReplyState(), 0);
    }
}

// Handlers may feed further frames into the component (they pump messages); tables grow under
// the outer handler's feet.
TEST(PacketReceived, HandlersMayReEnterAndGrowTheTables) {
    Harness h(true);
    int measures = 0;
    h.P.OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures&, std::uint8_t id) {
        ++measures;
        if (id == 1) {
            h.Receive(Frame(0x01, 200, {0, 5, 0, 0, 0}));
            h.Receive(Frame(0x05, 0, {250}));
        }
    };
    h.P.OnNAck = [&](std::uint8_t, std::uint8_t) { h.Receive(Frame(0x0F, 240, {1, 7})); };
    h.Receive(Frame(0x01, 1, {0, 9, 0, 0, 0}));
    h.Receive(Frame(0xFE, 0, {0x18}));
    EXPECT_EQ(measures, 2);
    ASSERT_EQ(h.P.LastMeasure().Items.size(), 201u);
    EXPECT_EQ(h.P.LastMeasure().Items[1].Speed, 9);
    EXPECT_EQ(h.P.LastMeasure().Items[200].Speed, 5);
    ASSERT_EQ(h.P.ConsolesInfo().size(), 251u);
    EXPECT_EQ(h.P.ConsolesInfo()[0].AckState18, 2);
    EXPECT_EQ(h.P.ConsolesInfo()[240].DataIds[0], 7);
    EXPECT_TRUE(h.P.ConsolesInfo()[250].Present);
    ASSERT_EQ(h.Trace.Count(), 5);
    // Inner frames are traced first; the outer line still describes the outer frame.
    EXPECT_EQ(h.Trace.Line(2),
              "<-3E010105000900000000"
              "21 Data of console n" +
                  kDegree + "1");
    EXPECT_EQ(h.Trace.Line(4), "<-3EFE0001180021 NACK Cmd: 18  IDConsole: 00");
}

TEST(PacketReceived, HandlerMayClearItsOwnEvent) {
    Harness h(false);
    const std::string label(64, 'x');  // a closure too large for the function's own buffer
    std::string seen;
    h.P.OnAck = [&h, &seen, label] {
        h.P.OnAck = nullptr;
        seen = label;
    };
    h.Receive(Frame(0xFF, 0, {0x13}));
    h.Receive(Frame(0xFF, 0, {0x13}));
    EXPECT_EQ(seen, label);
    EXPECT_FALSE(h.P.OnAck);
}

class HeartRateLog : public ::testing::Test {
  protected:
    trimora::test::ScratchFolder Scratch{"trimora-hr"};
    const std::filesystem::path Dir = Scratch.Path();
};

TEST_F(HeartRateLog, EveryMeasureAddsALineAndRewritesTheFile) {
    Harness h(false);
    TMemo hr;
    hr.Add("earlier");
    h.P.SetDebugHR(&hr);
    const auto file = Dir / "hr.txt";
    h.P.SetDebugHRDir(file.string());
    h.Receive(Frame(0x01, 3, {0, 0, 72, 0, 0}));
    EXPECT_EQ(trimora::test::FileText(file), "earlier\r\nID;3;72\r\n");
    h.Receive(Frame(0x01, 0, {0, 0, 255, 0, 0}));
    h.Receive(Frame(0x0A, 0, {0x78}));  // only measures are logged
    EXPECT_EQ(hr.Lines(), (std::vector<std::string>{"earlier", "ID;3;72", "ID;0;255"}));
    EXPECT_EQ(trimora::test::FileText(file), "earlier\r\nID;3;72\r\nID;0;255\r\n");
}

TEST_F(HeartRateLog, PaneWithoutFileOnlyCollectsLines) {
    Harness h(false);
    TMemo hr;
    h.P.SetDebugHR(&hr);
    h.Receive(Frame(0x01, 1, {0, 0, 60, 0, 0}));
    EXPECT_EQ(hr.Lines(), std::vector<std::string>{"ID;1;60"});
    EXPECT_TRUE(std::filesystem::is_empty(Dir));
}

TEST_F(HeartRateLog, FileWithoutPaneIsNotWritten) {
    Harness h(false);
    const auto file = Dir / "hr.txt";
    h.P.SetDebugHRDir(file.string());
    h.Receive(Frame(0x01, 1, {0, 0, 60, 0, 0}));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(h.Journal, std::vector<std::string>{"measures 1 own table"});
}

TEST_F(HeartRateLog, AFailedSaveIsDroppedAndRetriedWithTheNextMeasure) {
    Harness h(true);
    TMemo hr;
    h.P.SetDebugHR(&hr);
    const auto file = Dir / "missing" / "hr.txt";
    h.P.SetDebugHRDir(file.string());
    h.Receive(Frame(0x01, 1, {0, 0, 60, 0, 0}));
    EXPECT_EQ(h.Journal, (std::vector<std::string>{"measures 1 own table", "trace"}));
    EXPECT_EQ(h.Trace.Count(), 1) << "a failed save is not traced";
    EXPECT_FALSE(std::filesystem::exists(file));

    std::filesystem::create_directory(Dir / "missing");
    h.Receive(Frame(0x01, 1, {0, 0, 61, 0, 0}));
    EXPECT_EQ(trimora::test::FileText(file), "ID;1;60\r\nID;1;61\r\n");
}
