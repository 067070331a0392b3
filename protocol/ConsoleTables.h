#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/LocaleText.h"

namespace trimora {

// One console's latest measure. Element k of the measure table belongs to console id k.
struct TVelnMeasureItem {
    std::uint8_t ConsoleId = 0;
    std::uint16_t Speed = 0;  // raw: the window converts it to km/h
    std::uint8_t HR = 0;
    std::uint8_t Aux = 0;
    std::uint8_t Keys = 0;       // 4 = next point, 1 = previous point
    double Distance = 0;         // nothing updates it
    std::uint32_t LastTick = 0;  // tick counter when the measure was decoded

    bool operator==(const TVelnMeasureItem&) const = default;
};

struct TVelnWirelessConsoleMeasures {
    std::vector<TVelnMeasureItem> Items;
};

// What is known about one console; row 0 is the dongle itself.
struct TVelnConsoleInfoItem {
    std::uint8_t ConsoleId = 0;
    std::uint8_t Version = 0;
    std::int32_t SerialNumber = 0;
    std::uint8_t FirmwareMajor = 0;
    std::uint8_t FirmwareMinor = 0;
    std::int32_t TotalRolls = 0;
    bool Present = false;
    bool SecondFlag = false;
    TDateTime ItemDate = 0;
    std::int32_t ItemInteger = 0;
    long double ItemFloat = 0;
    std::uint8_t ItemByte11 = 0;
    std::uint8_t ItemByte12 = 0;
    std::uint8_t ItemByte13 = 0;
    std::uint8_t ItemByte14 = 0;
    // Written only from received frames.
    std::uint8_t DataIdState = 3;  // 3 = no data ids, 1 = data ids received
    std::uint8_t AckState0E = 3;   // 3 = no answer, 5 = ACK, 2 = NACK
    std::array<std::uint8_t, 8> DataIds{};
    std::int32_t DataIdCount = 0;
    std::uint8_t AckState18 = 0;  // 0 = no answer, 1 = ACK, 2 = NACK
    std::uint8_t AckState19 = 0;
    std::uint8_t AckState16 = 0;
    std::uint8_t AckState17 = 0;

    bool operator==(const TVelnConsoleInfoItem&) const = default;
};

// Indexed by console id.
using TVelnConsolesInformation = std::vector<TVelnConsoleInfoItem>;

struct TVelnResistanceItem {
    std::uint8_t Level = 0;   // the byte the refresh frame sends
    std::uint8_t Second = 0;  // never sent

    bool operator==(const TVelnResistanceItem&) const = default;
};

// Element k - 1 belongs to console id k: the dongle (id 0) has no element.
using TVelnConsolesResistance = std::vector<TVelnResistanceItem>;

}  // namespace trimora
