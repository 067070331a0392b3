// A request to end the program during the dongle search ends it at its next pumped wait
// instead of after every port of the list.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/protocol/DongleSearchSupport.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

TEST(SearchQuit, ARequestToEndStopsTheSearchAtItsNextWait) {
    std::vector<std::unique_ptr<sim::DongleSim>> silent;
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i) {
        silent.push_back(StartSilentDevice());
        names.push_back(silent.back()->SlavePath());
    }
    SearchingProtocol s;
    s.P.SetPortDef(kMissingDevice);
    s.P.PortLister = [&] { return names; };
    std::chrono::steady_clock::time_point asked{};
    s.P.OnConnectionStatus = [&](int, int Position, TVelnConnectionStatus Status,
                                 const std::string&) {
        // Ctrl-C while the first port of the list is tried.
        if (Status == TVelnConnectionStatus::csTrying && Position == 1) {
            asked = std::chrono::steady_clock::now();
            Application::Instance().RequestQuit();
        }
    };
    EXPECT_FALSE(s.P.Connect());
    const auto took = std::chrono::steady_clock::now() - asked;
    Application::Instance().ClearQuitRequest();
    EXPECT_LT(took, 1s) << "the search went on after the request";
    for (std::size_t i = 1; i < silent.size(); ++i)
        EXPECT_TRUE(silent[i]->HostFrames().empty()) << names[i] << " was still probed";
}
