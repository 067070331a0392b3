#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trimora {

// A dongle frame: start byte, command, console id, data length N, N data bytes, reserved 0x00,
// end byte.
constexpr std::uint8_t kFrameStart = 0x3E;  // '>'
constexpr std::uint8_t kFrameEnd = 0x21;    // '!'
constexpr std::size_t kFrameOverhead = 6;

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

// The frame for Command to console Id carrying Data (at most 255 bytes).
std::string OutboundFrame(std::uint8_t Command, std::uint8_t Id, std::string_view Data = {});

}  // namespace trimora
