#pragma once

#include <cstdint>

#include "serial/ComTypes.h"

namespace trimora {

class TComBuffer;
class TComFlowControl;
class TComParity;

// The line settings of a port in the shape of the Windows DCB record, so that they read the same
// on every platform; a backend translates them to its device's terms.
struct TDcb {
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;  // bit fields, see the Dcb* constants
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    std::uint16_t wReserved1 = 0;

    bool Flag(std::uint32_t Bit) const { return (Flags & Bit) != 0; }
    std::uint32_t DtrControl() const { return (Flags >> kDtrShift) & 3u; }
    std::uint32_t RtsControl() const { return (Flags >> kRtsShift) & 3u; }

    static constexpr int kDtrShift = 4;
    static constexpr int kRtsShift = 12;
};

inline constexpr std::uint32_t DcbBinary = 1u << 0;
inline constexpr std::uint32_t DcbParity = 1u << 1;
inline constexpr std::uint32_t DcbOutxCtsFlow = 1u << 2;
inline constexpr std::uint32_t DcbOutxDsrFlow = 1u << 3;
inline constexpr std::uint32_t DcbDtrControlMask = 3u << TDcb::kDtrShift;
inline constexpr std::uint32_t DcbDsrSensitivity = 1u << 6;
inline constexpr std::uint32_t DcbTXContinueOnXoff = 1u << 7;
inline constexpr std::uint32_t DcbOutX = 1u << 8;
inline constexpr std::uint32_t DcbInX = 1u << 9;
inline constexpr std::uint32_t DcbErrorChar = 1u << 10;
inline constexpr std::uint32_t DcbNull = 1u << 11;
inline constexpr std::uint32_t DcbRtsControlMask = 3u << TDcb::kRtsShift;
inline constexpr std::uint32_t DcbAbortOnError = 1u << 14;

// Bits per second of a rate; brCustom takes OtherBaudRate.
std::uint32_t BaudRateValue(TBaudRate Rate, std::uint32_t OtherBaudRate);

struct TLineValues {
    TBaudRate BaudRate = br9600;
    std::uint32_t OtherBaudRate = 9600;
    TDataBits DataBits = dbEight;
    TStopBits StopBits = sbOneStopBit;
    bool DiscardNull = false;
    char EventChar = 0;
};

TDcb BuildDcb(const TLineValues& Line, const TComParity& Parity, const TComFlowControl& Flow,
              const TComBuffer& Buffer);

}  // namespace trimora
