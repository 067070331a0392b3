#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trimora {

// A dongle frame: start byte, command, console id, data length N, N data bytes, reserved 0x00,
// end byte. No escaping: an end byte inside a frame cuts it short at the receiver.
constexpr std::uint8_t kFrameStart = 0x3E;  // '>'
constexpr std::uint8_t kFrameEnd = 0x21;    // '!'
constexpr std::size_t kFrameCommandAt = 1;
constexpr std::size_t kFrameIdAt = 2;
constexpr std::size_t kFrameLengthAt = 3;
constexpr std::size_t kFrameDataAt = 4;
constexpr std::size_t kFrameOverhead = kFrameDataAt + 2;  // the reserved and end bytes follow

// The console id that addresses the dongle itself.
constexpr std::uint8_t kDongleId = 0;
// The console id with which RemoveConsole addresses every console.
constexpr std::uint8_t kAllConsoles = 255;

// The commands this program sends.
namespace command {
constexpr std::uint8_t kOpenRegistration = 0x02;
constexpr std::uint8_t kCloseRegistration = 0x03;
constexpr std::uint8_t kConsoleCount = 0x04;
constexpr std::uint8_t kRemoveConsole = 0x06;
constexpr std::uint8_t kSerial = 0x09;
constexpr std::uint8_t kVersion = 0x0A;
constexpr std::uint8_t kResistance = 0x10;
constexpr std::uint8_t kMeasures = 0x13;
}  // namespace command

// The messages this program understands from the dongle. Replies share their request's code.
namespace inbound {
constexpr std::uint8_t kMeasure = 0x01;
constexpr std::uint8_t kRegistrationReply = command::kOpenRegistration;
constexpr std::uint8_t kConsoleCountReply = command::kConsoleCount;
constexpr std::uint8_t kConsoleAdd = 0x05;
constexpr std::uint8_t kConsoleRemove = command::kRemoveConsole;
constexpr std::uint8_t kSerialReply = command::kSerial;
constexpr std::uint8_t kVersionReply = command::kVersion;
constexpr std::uint8_t kTotalRollsReply = 0x0B;
constexpr std::uint8_t kDataIdReport = 0x0F;
constexpr std::uint8_t kFirmwareReply = 0x15;
constexpr std::uint8_t kNAck = 0xFE;
constexpr std::uint8_t kAck = 0xFF;
}  // namespace inbound

// Commands this program never sends, whose ACK or NACK the console table still records.
namespace answered {
constexpr std::uint8_t kCommand0E = 0x0E;
constexpr std::uint8_t kCommand16 = 0x16;
constexpr std::uint8_t kCommand17 = 0x17;
constexpr std::uint8_t kCommand18 = 0x18;
constexpr std::uint8_t kCommand19 = 0x19;
}  // namespace answered

// The frame for Command to console Id carrying Data (at most 255 bytes).
std::string OutboundFrame(std::uint8_t Command, std::uint8_t Id, std::string_view Data = {});

}  // namespace trimora
