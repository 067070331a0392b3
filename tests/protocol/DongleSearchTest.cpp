#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DongleSearchSupport.h"
#include "protocol/PortSearchOrder.h"
#include "serial/ComPort.h"
#include "tests/common/ScratchFolder.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

namespace {

constexpr auto csTrying = TVelnConnectionStatus::csTrying;
constexpr auto csFound = TVelnConnectionStatus::csFound;
constexpr auto csNotFound = TVelnConnectionStatus::csNotFound;

const std::string kFinding = "Finding USB dongle...";

}  // namespace

TEST(DongleSearch, DongleOnThePortTriedFirst) {
    auto dongle = StartDongle();
    ProgressWindowRecord window;
    SearchingProtocol s;
    const std::string def = dongle->SlavePath();
    s.P.SetPortDef(def);
    bool listRead = false;
    s.P.PortLister = [&] {
        listRead = true;
        return std::vector<std::string>{};
    };

    EXPECT_TRUE(s.P.Connect());

    EXPECT_TRUE(s.P.Connected());
    EXPECT_FALSE(listRead);
    EXPECT_EQ(s.Statuses,
              (std::vector<StatusEvent>{{100, 100, csTrying, def}, {100, 100, csFound, def}}));
    ASSERT_TRUE(dongle->WaitForHostFrame("3E06FF000021", 2s));
    // Probe, the serial request that follows a find, then registration closed and every
    // console removed.
    EXPECT_EQ(HostHex(*dongle), (std::vector<std::string>{"3E0A00000021", "3E0900000021",
                                                          "3E0300000021", "3E06FF000021"}));
    EXPECT_FALSE(s.P.Opened());
    EXPECT_EQ(window.Texts(), (std::vector<std::string>{kFinding + def, "Found on " + def}));
    EXPECT_FALSE(window.Last().Visible);
    EXPECT_TRUE(s.TraceHas("Connection done " + def));
    ASSERT_FALSE(s.P.ConsolesInfo().empty());
    EXPECT_TRUE(s.P.ConsolesInfo()[0].Present);
}

// Remembered by a stable link, as a by-id link names a USB adapter: tried first, found there.
TEST(DongleSearch, DongleOnTheRememberedPort) {
    const test::ScratchFolder folder("trimora-by-id");
    sim::SimConfig config;
    config.LinkPath = folder.Path() + "/usb-dongle";
    auto dongle = StartDongle(config);
    const std::string link = dongle->LinkPath();
    ProgressWindowRecord window;
    SearchingProtocol s;

    const TFirstPort first = ChooseFirstPort("", link);
    ASSERT_EQ(first.Source, TFirstPort::fpRemembered);
    StartSearchAt(s.P, first);
    EXPECT_TRUE(s.P.Connect());

    EXPECT_EQ(s.Statuses,
              (std::vector<StatusEvent>{{100, 100, csTrying, link}, {100, 100, csFound, link}}));
}

// The first attempt finds a device that does not answer and leaves it open. The list then holds
// a device node that cannot be opened (the open port, renamed to it, fails to reopen: that
// attempt fails, the search goes on), another silent device, the dongle, and a second dongle
// that must never be tried.
TEST(DongleSearch, DongleOnTheThirdOfFourListedPorts) {
    auto first = StartSilentDevice();
    auto silent = StartSilentDevice();
    auto dongle = StartDongle();
    auto unused = StartDongle();
    ProgressWindowRecord window;
    SearchingProtocol s;
    const std::string def = first->SlavePath();
    const std::vector<std::string> list = {kMissingDevice, silent->SlavePath(), dongle->SlavePath(),
                                           unused->SlavePath()};
    s.P.SetPortDef(def);
    s.P.PortLister = [&] { return list; };

    EXPECT_TRUE(s.P.Connect());

    EXPECT_TRUE(s.P.Connected());
    EXPECT_EQ(s.P.Port()->Port(), list[2]);
    EXPECT_EQ(s.Statuses, (std::vector<StatusEvent>{{100, 100, csTrying, def},
                                                    {4, 1, csTrying, list[0]},
                                                    {4, 1, csNotFound, list[0]},
                                                    {4, 2, csTrying, list[1]},
                                                    {4, 2, csNotFound, list[1]},
                                                    {4, 3, csTrying, list[2]},
                                                    {4, 3, csFound, list[2]}}));
    EXPECT_EQ(window.Texts(),
              (std::vector<std::string>{
                  kFinding + def, kFinding + list[0], "Not Found on " + list[0], kFinding + list[1],
                  "Not Found on " + list[1], kFinding + list[2], "Found on " + list[2]}));
    EXPECT_FALSE(window.Last().Visible);
    EXPECT_EQ(window.Last().Max, 4);
    EXPECT_EQ(window.Last().Position, 3);
    EXPECT_TRUE(s.TraceHas("Connection Failed " + list[0]));
    EXPECT_TRUE(s.TraceHas("Connection Failed " + list[1]));

    // The dongle reports no consoles, so registration and consoles are left alone.
    ASSERT_TRUE(dongle->WaitForHostFrame("3E0400000021", 2s));
    EXPECT_EQ(HostHex(*dongle),
              (std::vector<std::string>{"3E0A00000021", "3E0900000021", "3E0400000021"}));
    EXPECT_TRUE(HostHex(*unused).empty());
}

TEST(DongleSearch, DongleFoundInTheListWithConsolesHasThemRemoved) {
    auto dongle = StartDongle();
    ASSERT_TRUE(dongle->JoinConsole(1));
    SearchingProtocol s;
    s.P.SetPortDef(kMissingDevice);
    s.P.PortLister = [&] { return std::vector<std::string>{dongle->SlavePath()}; };

    EXPECT_TRUE(s.P.Connect());

    ASSERT_TRUE(dongle->WaitForHostFrame("3E06FF000021", 2s));
    EXPECT_EQ(HostHex(*dongle),
              (std::vector<std::string>{"3E0A00000021", "3E0900000021", "3E0400000021",
                                        "3E0300000021", "3E06FF000021"}));
}

TEST(DongleSearch, NothingAnswersAndTheListIsEmpty) {
    auto first = StartSilentDevice();
    ProgressWindowRecord window;
    SearchingProtocol s;
    const std::string def = first->SlavePath();
    s.P.SetPortDef(def);
    s.P.PortLister = [] { return std::vector<std::string>{}; };

    EXPECT_FALSE(s.P.Connect());

    EXPECT_FALSE(s.P.Connected());
    EXPECT_EQ(s.Statuses, (std::vector<StatusEvent>{{100, 100, csTrying, def}}));
    EXPECT_EQ(window.Texts(), (std::vector<std::string>{kFinding + def}));
    EXPECT_FALSE(window.Last().Visible);
    EXPECT_TRUE(s.TraceHas("Connection Failed " + def));
    EXPECT_FALSE(s.P.Port()->Connected()) << "a device that is not the dongle is not held open";
}

TEST(DongleSearch, WithoutDisplayMessageTheWindowNeverShows) {
    ProgressWindowRecord window;
    SearchingProtocol s;
    s.P.SetDisplayMessage(false);
    s.P.SetPortDef(kMissingDevice);
    s.P.PortLister = [] { return std::vector<std::string>{kMissingDevice}; };

    EXPECT_FALSE(s.P.Connect());

    EXPECT_FALSE(window.Empty()) << "the window was built";
    EXPECT_TRUE(window.Texts().empty());
    EXPECT_EQ(s.Statuses.size(), 3u) << "the events come all the same";
}
