#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/dongle_sim/DongleSim.h"

namespace trimora::test {

// The hex texts of the frames the program sent from sequence From on, in order.
inline std::vector<std::string> SentSince(const sim::DongleSim& Dongle, std::uint64_t From) {
    std::vector<std::string> hex;
    for (const sim::HostFrame& frame : Dongle.HostFrames())
        if (frame.Sequence >= From) hex.push_back(frame.Hex);
    return hex;
}

// Frames in the order given, each after the one before (others may come between).
inline ::testing::AssertionResult SentInOrder(const std::vector<std::string>& Sent,
                                              const std::vector<std::string>& Expected) {
    auto at = Sent.begin();
    for (const std::string& frame : Expected) {
        at = std::find(at, Sent.end(), frame);
        if (at == Sent.end()) {
            std::string all;
            for (const std::string& s : Sent) all += s + " ";
            return ::testing::AssertionFailure() << frame << " missing or out of order in: " << all;
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace trimora::test
