#pragma once

#include <cstdint>
#include <string>

namespace trimora::bench {

// The benchmark's measure frames: 3E 01 id 05 D0 D1 D2 D3 D4 00 21. The frame's sequence
// number travels in the decoded values (Speed = D0*256+D1 and HR = D2), three digits of base 192
// written as bytes 0x40..0xFF, so no data byte is ever the stop byte 0x21 and every consumer can
// tell which frame it decoded from the values alone.
constexpr std::size_t kMeasureFrameSize = 11;
constexpr std::uint8_t kDataConsole = 1;
// A measure from this console ends a run; the writer repeats it until the consumer has quit.
constexpr std::uint8_t kEndConsole = 2;
constexpr std::uint32_t kMaxSequence = 192u * 192u * 192u;

std::string MeasureFrame(std::uint8_t Console, std::uint32_t Sequence);
// Sequence from the decoded values; -1 when they cannot come from MeasureFrame.
std::int64_t SequenceFromValues(std::uint16_t Speed, std::uint8_t HR);

}  // namespace trimora::bench
