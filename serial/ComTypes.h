#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "runtime/TObject.h"

namespace trimora {

enum TBaudRate : std::uint8_t {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl : std::uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };
enum TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };
enum TComEvent : std::uint8_t {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD,
    evRx80Full
};
enum TComError : std::uint8_t {
    ceFrame,
    ceRxParity,
    ceOverrun,
    ceBreak,
    ceIOE,
    ceMode,
    ceRxOver,
    ceTxFull
};

// A set of enumeration values, bit n standing for the value n.
template <typename TElement, typename TBits>
class TSmallSet {
  public:
    constexpr TSmallSet() = default;
    constexpr TSmallSet(std::initializer_list<TElement> Elements) {
        for (TElement e : Elements) Include(e);
    }
    static constexpr TSmallSet FromBits(TBits Bits) {
        TSmallSet s;
        s.FBits = Bits;
        return s;
    }

    constexpr TBits Bits() const { return FBits; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr bool Contains(TElement e) const { return (FBits & Bit(e)) != 0; }
    constexpr TSmallSet& Include(TElement e) {
        FBits = static_cast<TBits>(FBits | Bit(e));
        return *this;
    }
    constexpr TSmallSet& Exclude(TElement e) {
        FBits = static_cast<TBits>(FBits & ~Bit(e));
        return *this;
    }

    friend constexpr TSmallSet operator|(TSmallSet a, TSmallSet b) {
        return FromBits(static_cast<TBits>(a.FBits | b.FBits));
    }
    friend constexpr TSmallSet operator&(TSmallSet a, TSmallSet b) {
        return FromBits(static_cast<TBits>(a.FBits & b.FBits));
    }
    friend constexpr bool operator==(TSmallSet a, TSmallSet b) = default;

  private:
    static constexpr TBits Bit(TElement e) { return static_cast<TBits>(1u << e); }
    TBits FBits = 0;
};

using TComEvents = TSmallSet<TComEvent, std::uint16_t>;
using TComErrors = TSmallSet<TComError, std::uint8_t>;

inline constexpr TComEvents AllComEvents{evRxChar, evTxEmpty, evRxFlag, evRing, evBreak,
                                         evCTS,    evDSR,     evError,  evRLSD, evRx80Full};

class TCustomComPort;

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TRxCharEvent = std::function<void(TObject* Sender, int Count)>;
using TRxBufEvent = std::function<void(TObject* Sender, const char* Buffer, int Count)>;
using TComSignalEvent = std::function<void(TObject* Sender, bool OnOff)>;
using TComErrorEvent = std::function<void(TObject* Sender, TComErrors Errors)>;

}  // namespace trimora
