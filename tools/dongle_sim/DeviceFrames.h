#pragma once

#include <cstdint>
#include <string>

#include "protocol/DongleFrames.h"

namespace trimora::sim {

// Command codes the emulator understands (from the host) and sends (to the host).
namespace cmd {
constexpr std::uint8_t kMeasure = 0x01;
constexpr std::uint8_t kOpenRegistration = 0x02;  // also the registration reply
constexpr std::uint8_t kCloseRegistration = 0x03;
constexpr std::uint8_t kConsoleCount = 0x04;
constexpr std::uint8_t kConsoleAdd = 0x05;
constexpr std::uint8_t kRemoveConsole = 0x06;  // also the console remove notification
constexpr std::uint8_t kSerial = 0x09;
constexpr std::uint8_t kVersion = 0x0A;
constexpr std::uint8_t kResistance = 0x10;
constexpr std::uint8_t kMeasures = 0x13;
constexpr std::uint8_t kFirmware = 0x15;
}  // namespace cmd

// The frame bytes and special ids are the protocol's own.
using ::trimora::kAllConsoles;
using ::trimora::kDongleId;
using ::trimora::kFrameEnd;
using ::trimora::kFrameStart;

// ">" Command Id N Data... 0x00 "!"; Data holds at most 255 bytes.
std::string MakeFrame(std::uint8_t Command, std::uint8_t Id, const std::string& Data);

// A byte as a one-character byte string, for composing data fields.
inline std::string Byte(std::uint8_t Value) {
    return std::string(1, static_cast<char>(Value));
}

// What one measure frame carries.
struct MeasureData {
    std::uint16_t RawSpeed = 0;  // 0.008482 km/h per unit
    std::uint8_t HeartRate = 0;
    std::uint8_t Aux = 0;
    std::uint8_t Keys = 0;
};
std::string MakeMeasureFrame(std::uint8_t Id, const MeasureData& Measure);

}  // namespace trimora::sim
