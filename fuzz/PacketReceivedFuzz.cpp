// The protocol's frame handler with any sequence of received packets: whatever the bytes, the
// tables never hold a row that no frame named, nothing is read out of bounds, every valid frame
// is traced once and every measure logged once, also while event handlers re-enter the
// component.
//
// Input: one option byte, then records of [kind][length][body]. A record whose kind is odd is
// made into a well-formed frame (body = command, console id, data); an even one is passed as it
// stands.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "protocol/FrameCodec.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "runtime/TMemo.h"

namespace {

using namespace trimora;

enum Option : std::uint8_t {
    kTracePane = 1 << 0,
    kHRPane = 1 << 1,
    kDebugTime = 1 << 2,
    kDebugNoData = 1 << 3,
    kEvents = 1 << 4,
    kReentrant = 1 << 5,
    kHRFileFails = 1 << 6,
    kHRFileNull = 1 << 7,
};

constexpr int kMaxNesting = 4;

std::vector<std::string> SplitRecords(const std::uint8_t* Data, std::size_t Size) {
    std::vector<std::string> packets;
    std::size_t at = 0;
    while (at < Size) {
        const std::uint8_t kind = Data[at++];
        const std::size_t length = at < Size ? Data[at++] : 0;
        const std::size_t taken = std::min(length, Size - at);
        std::string body(reinterpret_cast<const char*>(Data + at), taken);
        at += taken;
        if (kind & 1) {
            const char command = body.size() > 0 ? body[0] : 0;
            const char id = body.size() > 1 ? body[1] : 0;
            const std::string data = body.size() > 2 ? body.substr(2) : std::string();
            std::string frame = {'\x3E', command, id, static_cast<char>(data.size())};
            frame += data;
            frame += static_cast<char>(kind & 0x80 ? kind : 0);  // the reserved byte is ignored
            frame += '\x21';
            body = frame;
        }
        packets.push_back(std::move(body));
    }
    return packets;
}

// Feeds packets to one component and keeps what they allow the component to hold.
class Session {
  public:
    Session(std::uint8_t Options, std::vector<std::string> Packets)
        : FOptions(Options), FPackets(std::move(Packets)), FProtocol(nullptr) {
        if (Options & kTracePane) FProtocol.SetDebugMemo(&FTrace);
        if (Options & kHRPane) FProtocol.SetDebugHR(&FHR);
        if (Options & kHRFileFails) FProtocol.SetDebugHRDir("/nonexistent-trimora-dir/hr.txt");
        if (Options & kHRFileNull) FProtocol.SetDebugHRDir("/dev/null");
        FProtocol.SetDebugTime(Options & kDebugTime);
        FProtocol.SetDebugNoData(Options & kDebugNoData);
        if (Options & kEvents) AssignEvents();
    }

    void Run() {
        while (FNext < FPackets.size()) {
            FeedNext();
            CheckTables(true);
        }
        CheckLogs();
    }

  private:
    void FeedNext() {
        const std::string& packet = FPackets[FNext++];
        Expect(packet);
        FProtocol.PacketReceived(nullptr, packet);
    }

    // From inside an event handler: the next packet is handled before the handler returns.
    void Reenter() {
        if (!(FOptions & kReentrant) || FNesting >= kMaxNesting || FNext >= FPackets.size()) return;
        ++FNesting;
        FeedNext();
        CheckTables(false);
        --FNesting;
    }

    void Expect(const std::string& F) {
        if (!IsValidFrame(F)) return;
        const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(F[i]); };
        const int id = byte(2);
        const int d0 = byte(3) > 0 ? byte(4) : 0;
        FMaxNamed = std::max({FMaxNamed, id, d0});
        if (byte(1) == 0x01) {
            FMaxMeasureId = std::max(FMaxMeasureId, id);
            ++FMeasures;
        }
        ++FValidFrames;
        FTracedHex.insert(BytesToHex(F));
    }

    // Exact once every packet fed so far has been handled; a bound while handlers run.
    void CheckTables(bool Settled) {
        const auto& measures = FProtocol.LastMeasure().Items;
        if (Settled)
            FUZZ_CHECK(measures.size() == static_cast<std::size_t>(FMaxMeasureId + 1));
        else
            FUZZ_CHECK(measures.size() <= static_cast<std::size_t>(FMaxMeasureId + 1));
        for (std::size_t k = 0; k < measures.size(); ++k)
            FUZZ_CHECK(measures[k].ConsoleId == k || measures[k] == TVelnMeasureItem{});
        const auto& info = FProtocol.ConsolesInfo();
        FUZZ_CHECK(info.size() <= static_cast<std::size_t>(FMaxNamed + 1));
        for (const TVelnConsoleInfoItem& row : info)
            FUZZ_CHECK(row.DataIdCount >= 0 && row.DataIdCount <= 8);
        FUZZ_CHECK(FProtocol.ConsoleCount() >= 0);
    }

    void CheckLogs() {
        if (FOptions & kTracePane) {
            const std::size_t untraced = (FOptions & kDebugNoData) ? FMeasures : 0;
            FUZZ_CHECK(FTrace.Lines().size() == FValidFrames - untraced);
            for (const std::string& line : FTrace.Lines()) {
                const std::size_t mark = line.find("<-");
                FUZZ_CHECK(mark != std::string::npos);
                FUZZ_CHECK((FOptions & kDebugTime) || mark == 0);
                const std::size_t blank = line.find(' ', mark);
                FUZZ_CHECK(blank != std::string::npos);
                FUZZ_CHECK(FTracedHex.count(line.substr(mark + 2, blank - mark - 2)) == 1);
            }
        } else {
            FUZZ_CHECK(FTrace.Lines().empty());
        }
        FUZZ_CHECK(FHR.Lines().size() == ((FOptions & kHRPane) ? FMeasures : 0));
    }

    void AssignEvents() {
        FProtocol.OnMeasuresReceived = [this](TVelnWirelessConsoleMeasures& val,
                                              std::uint8_t id_console) {
            FUZZ_CHECK(&val == &FProtocol.LastMeasure());
            FUZZ_CHECK(id_console < val.Items.size());
            FUZZ_CHECK(val.Items[id_console].ConsoleId == id_console);
            Reenter();
        };
        FProtocol.OnConsoleAdd = [this](std::int32_t id) {
            FUZZ_CHECK(id >= 0 && static_cast<std::size_t>(id) < FProtocol.ConsolesInfo().size());
            FUZZ_CHECK(FProtocol.ConsolesInfo()[id].Present);
            Reenter();
        };
        FProtocol.OnConsoleRemove = [this](std::int32_t id) {
            FUZZ_CHECK(id >= 0 && static_cast<std::size_t>(id) < FProtocol.ConsolesInfo().size());
            FUZZ_CHECK(!FProtocol.ConsolesInfo()[id].Present);
            // A handler that clears its own event while it runs.
            if (FOptions & kReentrant) FProtocol.OnConsoleRemove = nullptr;
            Reenter();
        };
        FProtocol.OnNAck = [this](std::uint8_t, std::uint8_t) { Reenter(); };
        FProtocol.OnAck = [this] { Reenter(); };
    }

    std::uint8_t FOptions;
    std::vector<std::string> FPackets;
    std::size_t FNext = 0;
    int FNesting = 0;
    TMemo FTrace;
    TMemo FHR;
    TVelnWirelessProtocol FProtocol;
    int FMaxMeasureId = -1;
    int FMaxNamed = -1;
    std::size_t FMeasures = 0;
    std::size_t FValidFrames = 0;
    std::set<std::string> FTracedHex;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0) return 0;
    Application::Instance();
    Session session(Data[0], SplitRecords(Data + 1, Size - 1));
    session.Run();
    return 0;
}
