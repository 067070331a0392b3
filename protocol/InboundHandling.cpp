#include <algorithm>
#include <climits>

#include "protocol/FrameCodec.h"
#include "protocol/ReceivedFrame.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Clock.h"
#include "runtime/SwallowedError.h"

namespace trimora {

namespace {

// Answer states written by ACK and NACK frames.
constexpr std::uint8_t kAnswerNAck = 2;
constexpr std::uint8_t kAnswerAck = 1;
constexpr std::uint8_t kAnswerAck0E = 5;  // command 0x0E has an encoding of its own

constexpr std::uint8_t kDataIdsNone = 3;
constexpr std::uint8_t kDataIdsReceived = 1;

std::string Dec(std::uint32_t Value) {
    return std::to_string(Value);
}

using AnswerStateField = std::uint8_t TVelnConsoleInfoItem::*;

// The row field that records the dongle's answer to Command; none for commands not tracked.
AnswerStateField AnswerStateOf(std::uint8_t Command) {
    switch (Command) {
        case answered::kCommand0E:
            return &TVelnConsoleInfoItem::AckState0E;
        case answered::kCommand16:
            return &TVelnConsoleInfoItem::AckState16;
        case answered::kCommand17:
            return &TVelnConsoleInfoItem::AckState17;
        case answered::kCommand18:
            return &TVelnConsoleInfoItem::AckState18;
        case answered::kCommand19:
            return &TVelnConsoleInfoItem::AckState19;
        default:
            return nullptr;
    }
}

// Stores a measure frame in the element of its console id, growing the table with all-zero
// elements as needed. Returns the console id.
std::uint8_t DecodeMeasure(TVelnWirelessConsoleMeasures& Table, const TReceivedFrame& F,
                           std::uint32_t Tick) {
    const std::uint8_t id = F.ConsoleId();
    if (Table.Items.size() <= id) Table.Items.resize(id + 1u);
    TVelnMeasureItem& item = Table.Items[id];
    item.ConsoleId = id;
    item.Speed = static_cast<std::uint16_t>(F.Data(0) * 256u + F.Data(1));
    item.HR = F.Data(2);
    item.Aux = F.Data(3);
    item.Keys = F.Data(4);
    item.LastTick = Tick;
    return id;
}

}  // namespace

void TVelnWirelessProtocol::PacketReceived(TObject* /*Sender*/, const std::string& F) {
    if (!IsValidFrame(F)) return;
    const TReceivedFrame frame(F);
    switch (frame.Command()) {
        case inbound::kMeasure:
            MeasureReceived(frame);
            break;
        case inbound::kConsoleCountReply:
            ConsoleCountReplyReceived(frame);
            break;
        case inbound::kNAck:
            NAckReceived(frame);
            break;
        case inbound::kAck:
            AckReceived(frame);
            break;
        case inbound::kConsoleAdd:
            ConsoleAddReceived(frame);
            break;
        case inbound::kConsoleRemove:
            ConsoleRemoveReceived(frame);
            break;
        case inbound::kRegistrationReply:
            RegistrationReplyReceived(frame);
            break;
        case inbound::kSerialReply:
            SerialReplyReceived(frame);
            break;
        case inbound::kVersionReply:
            VersionReplyReceived(frame);
            break;
        case inbound::kFirmwareReply:
            FirmwareReplyReceived(frame);
            break;
        case inbound::kTotalRollsReply:
            TotalRollsReplyReceived(frame);
            break;
        case inbound::kDataIdReport:
            DataIdReportReceived(frame);
            break;
        default:
            UnknownMessageReceived(frame);
            break;
    }
}

// Event handlers may re-enter the component and grow the tables, so nothing below keeps a
// reference into a table across an event.

void TVelnWirelessProtocol::MeasureReceived(const TReceivedFrame& F) {
    const std::uint32_t tick = GetTickCount();
    const std::uint8_t id = DecodeMeasure(FLastMeasure, F, tick);
    if (FDebugHR != nullptr) LogHeartRate(id);
    RaiseEvent(OnMeasuresReceived, FLastMeasure, id);
    // Measures are the steady stream: compose nothing when the line would not be written.
    if (!FDebugNoData && TracePaneAttached())
        TraceFrame(kReceivedMark, F.Bytes(), " Data of console n\xB0" + Dec(id));
}

void TVelnWirelessProtocol::LogHeartRate(std::uint8_t Id) {
    if (FDebugHR == nullptr) return;
    FDebugHR->Add("ID;" + Dec(Id) + ";" + Dec(FLastMeasure.Items[Id].HR));
    if (FDebugHRDir.empty()) return;
    try {
        FDebugHR->SaveToFile(FDebugHRDir);
    } catch (...) {
        // The log is a debugging aid: a failed save must not disturb the measure stream. The
        // pane keeps its lines and the next measure saves them all again.
        ReportSwallowed("saving the heart-rate log", std::current_exception());
    }
}

void TVelnWirelessProtocol::ConsoleCountReplyReceived(const TReceivedFrame& F) {
    FConsoleCount = F.Data(0);
    FCountReplyState = 2;  // also when nobody is waiting for it
    TraceFrame(kReceivedMark, F.Bytes(), " Number of Console : " + Dec(FConsoleCount));
}

void TVelnWirelessProtocol::NAckReceived(const TReceivedFrame& F) {
    const std::uint8_t id = F.ConsoleId();
    const std::uint8_t command = F.Data(0);
    if (AnswerStateField state = AnswerStateOf(command)) ConsoleInfoRow(id).*state = kAnswerNAck;
    RaiseEvent(OnNAck, id, command);
    if (!TracePaneAttached()) return;
    TraceFrame(kReceivedMark, F.Bytes(),
               FDebugTime ? std::string(" NACK")
                          : " NACK Cmd: " + Hex2(command) + "  IDConsole: " + Hex2(id));
}

void TVelnWirelessProtocol::AckReceived(const TReceivedFrame& F) {
    const std::uint8_t command = F.Data(0);
    if (AnswerStateField state = AnswerStateOf(command))
        ConsoleInfoRow(F.ConsoleId()).*state =
            command == answered::kCommand0E ? kAnswerAck0E : kAnswerAck;
    RaiseEvent(OnAck);
    TraceFrame(kReceivedMark, F.Bytes(), " ACK");
}

void TVelnWirelessProtocol::ConsoleAddReceived(const TReceivedFrame& F) {
    const std::uint8_t id = F.Data(0);  // the frame's own console id byte is not the console's
    // Counts every notice, repeated ones too; stops at the top of the range instead of wrapping.
    if (FConsoleCount < INT32_MAX) ++FConsoleCount;
    SetConsoleInfo(id, 0, Dec(id));
    SetConsoleInfo(id, 3, "true");
    TraceFrame(kReceivedMark, F.Bytes(), " Console Add ID=" + Dec(id));
    RaiseEvent(OnConsoleAdd, static_cast<std::int32_t>(id));
}

void TVelnWirelessProtocol::ConsoleRemoveReceived(const TReceivedFrame& F) {
    const std::uint8_t id = F.Data(0);
    if (FConsoleCount >= 1) --FConsoleCount;
    SetConsoleInfo(id, 5, "false");
    SetConsoleInfo(id, 3, "false");
    TraceFrame(kReceivedMark, F.Bytes(), " Console Remove ID=" + Dec(id));
    RaiseEvent(OnConsoleRemove, static_cast<std::int32_t>(id));
}

void TVelnWirelessProtocol::RegistrationReplyReceived(const TReceivedFrame& F) {
    FConsoleCount = F.Data(0);
    TraceFrame(kReceivedMark, F.Bytes(), " Open Dongle Cons.Nbr.=" + Dec(F.Data(0)));
}

void TVelnWirelessProtocol::SerialReplyReceived(const TReceivedFrame& F) {
    const std::uint8_t id = F.ConsoleId();
    const std::string serial = Hex2(F.Data(0)) + Hex2(F.Data(1)) + Hex2(F.Data(2));
    SetConsoleInfo(id, 2, std::to_string(HexToInt(serial)));
    TraceFrame(kReceivedMark, F.Bytes(), " Serial Nbr.= 0x" + serial + " ID = " + Dec(id));
}

void TVelnWirelessProtocol::VersionReplyReceived(const TReceivedFrame& F) {
    const std::uint8_t id = F.ConsoleId();
    SetConsoleInfo(id, 1, Dec(F.Data(0)));
    if (id == kDongleId) FDongleAnswered = true;
    TraceFrame(kReceivedMark, F.Bytes(),
               " Version Nbr.= 0x" + Hex2(F.Data(0)) + " ID = " + Dec(id));
}

void TVelnWirelessProtocol::FirmwareReplyReceived(const TReceivedFrame& F) {
    const std::uint8_t id = F.ConsoleId();
    SetConsoleInfo(id, 6, Dec(F.Data(0)));
    SetConsoleInfo(id, 7, Dec(F.Data(1)));
    TraceFrame(
        kReceivedMark, F.Bytes(),
        " Firmware Version Nbr.= 0x" + Hex2(F.Data(0)) + Hex2(F.Data(1)) + " ID = " + Dec(id));
}

void TVelnWirelessProtocol::TotalRollsReplyReceived(const TReceivedFrame& F) {
    const std::uint8_t id = F.ConsoleId();
    const std::uint32_t rolls = (F.Data(0) * 256u + F.Data(1)) * 32u;  // counted in units of 32
    SetConsoleInfo(id, 4, Dec(rolls));
    TraceFrame(kReceivedMark, F.Bytes(), " Total Rolls.= " + Dec(rolls) + " ID = " + Dec(id));
}

void TVelnWirelessProtocol::DataIdReportReceived(const TReceivedFrame& F) {
    const std::uint8_t id = F.ConsoleId();
    const std::uint8_t reported = F.Data(0);
    TVelnConsoleInfoItem& row = ConsoleInfoRow(id);
    if (reported == 0) {
        row.DataIdState = kDataIdsNone;  // the ids of an earlier report stay
    } else {
        // A row holds 8 ids; a longer report keeps its first 8.
        const std::size_t kept = std::min<std::size_t>(reported, row.DataIds.size());
        row.DataIdCount = static_cast<std::int32_t>(kept);
        for (std::size_t i = 0; i < kept; ++i) row.DataIds[i] = F.Data(1 + i);
        row.DataIdState = kDataIdsReceived;
    }
    TraceFrame(kReceivedMark, F.Bytes(), " Data ID=" + Dec(id));
}

void TVelnWirelessProtocol::UnknownMessageReceived(const TReceivedFrame& F) {
    TraceFrame(kReceivedMark, F.Bytes(), " ??? unknown message");
}

}  // namespace trimora
