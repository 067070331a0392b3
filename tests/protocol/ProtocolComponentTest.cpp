#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "ProtocolTestSupport.h"
#include "protocol/WirelessProtocol.h"

using namespace trimora;
using namespace trimora::testing;

TEST(ProtocolComponent, NewComponentStartsDisconnectedWithDefaults) {
    TVelnWirelessProtocol p(nullptr);
    EXPECT_FALSE(p.Connected());
    EXPECT_FALSE(p.Opened());
    EXPECT_EQ(p.Port(), nullptr);
    EXPECT_EQ(p.PortDef(), "");
    EXPECT_EQ(p.DebugMemo(), nullptr);
    EXPECT_EQ(p.DebugHR(), nullptr);
    EXPECT_EQ(p.DebugHRDir(), "");
    EXPECT_FALSE(p.DebugTime());
    EXPECT_FALSE(p.DebugNoData());
    EXPECT_FALSE(p.DisplayMessage());
    EXPECT_FALSE(p.AutoConnection());
    EXPECT_EQ(p.ResistanceInterval(), 1000u);
    EXPECT_EQ(p.DisconDelayBetweenCloseOpenPort(), 300);
    EXPECT_EQ(p.ReplyTimeOut(), 15000);
    EXPECT_EQ(p.TimeToWaitAddNewConsole(), 30000);
    EXPECT_TRUE(p.LastMeasure().Items.empty());
    EXPECT_TRUE(p.ConsolesInfo().empty());
    EXPECT_TRUE(p.Resistances().empty());
    EXPECT_EQ(p.ConsoleCount(), 0);
    EXPECT_EQ(p.CountReplyState(), 0);
    EXPECT_FALSE(p.OnConnection || p.OnMeasuresReceived || p.OnNAck || p.OnAck ||
                 p.OnDisconnection || p.OnConsoleAdd || p.OnConsoleRemove ||
                 p.OnBeforeSendResistance || p.OnConnectionStatus || p.OnUsbDisconnect);
}

TEST(ProtocolComponent, OwnedComponentGoesWithItsOwner) {
    TComponent owner(nullptr);
    auto* p = new TVelnWirelessProtocol(&owner);
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), p);
}

TEST(SetConsoleInfo, GrowsTheTableWithInitialRows) {
    TVelnWirelessProtocol p(nullptr);
    p.SetConsoleInfo(5, 3, "true");
    ASSERT_EQ(p.ConsolesInfo().size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        const TVelnConsoleInfoItem& row = p.ConsolesInfo()[i];
        EXPECT_EQ(row.DataIdState, 3) << i;
        EXPECT_EQ(row.AckState0E, 3) << i;
        EXPECT_EQ(row.Present, i == 5) << i;
        TVelnConsoleInfoItem expected;
        expected.Present = i == 5;
        EXPECT_EQ(row, expected) << "row " << i << " has other fields set";
    }
}

TEST(SetConsoleInfo, ItemAbove14StoresNothingButTheRowExists) {
    for (int item : {15, 99, 255}) {
        TVelnWirelessProtocol p(nullptr);
        p.SetConsoleInfo(0, static_cast<std::uint8_t>(item), "1");
        ASSERT_EQ(p.ConsolesInfo().size(), 1u) << item;
        EXPECT_EQ(p.ConsolesInfo()[0], TVelnConsoleInfoItem{}) << item;
    }
}

TEST(SetConsoleInfo, ExistingRowChangesOnlyItsOwnField) {
    TVelnWirelessProtocol p(nullptr);
    p.SetConsoleInfo(3, 1, "9");
    p.SetConsoleInfo(0, 3, "true");
    const TVelnConsolesInformation before = p.ConsolesInfo();
    p.SetConsoleInfo(1, 6, "4");
    ASSERT_EQ(p.ConsolesInfo().size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        TVelnConsoleInfoItem expected = before[i];
        if (i == 1) expected.FirmwareMajor = 4;
        EXPECT_EQ(p.ConsolesInfo()[i], expected) << i;
    }
    p.SetConsoleInfo(0, 3, "false");
    EXPECT_FALSE(p.ConsolesInfo()[0].Present);
}

TEST(SetConsoleInfo, ConvertsEachItemsText) {
    FormatOverride fmt;
    fmt->ShortDateFormat = "%d/%m/%Y";
    fmt->DecimalSeparator = ',';
    using Row = TVelnConsoleInfoItem;
    struct Case {
        int item;
        const char* text;
        std::function<void(Row&)> expect;  // applied to an initial row
    };
    const Case cases[] = {
        {0, "300", [](Row& r) { r.ConsoleId = 44; }},  // low 8 bits
        {0, "-1", [](Row& r) { r.ConsoleId = 255; }},
        {1, "120", [](Row& r) { r.Version = 120; }},
        {2, "16777215", [](Row& r) { r.SerialNumber = 16777215; }},
        {2, "+42", [](Row& r) { r.SerialNumber = 42; }},
        {3, "true", [](Row& r) { r.Present = true; }},
        {3, "True", [](Row&) {}},  // only the exact text "true" is true
        {3, "TRUE", [](Row&) {}},
        {3, "1", [](Row&) {}},
        {4, "2097120", [](Row& r) { r.TotalRolls = 2097120; }},
        {5, "true", [](Row& r) { r.SecondFlag = true; }},
        {6, "258", [](Row& r) { r.FirmwareMajor = 2; }},
        {7, "10", [](Row& r) { r.FirmwareMinor = 10; }},
        {8, "01/01/1970", [](Row& r) { r.ItemDate = 25569.0; }},
        {8, "31/12/1899", [](Row& r) { r.ItemDate = 1.0; }},
        {9, "-2147483648", [](Row& r) { r.ItemInteger = INT32_MIN; }},
        {10, "2,5", [](Row& r) { r.ItemFloat = 2.5L; }},
        {10, "-0,125", [](Row& r) { r.ItemFloat = -0.125L; }},
        {11, "255", [](Row& r) { r.ItemByte11 = 255; }},
        {12, "256", [](Row&) {}},
        {13, "1", [](Row& r) { r.ItemByte13 = 1; }},
        {14, "65535", [](Row& r) { r.ItemByte14 = 255; }},
        // Texts that do not convert store 0.
        {0, "", [](Row&) {}},
        {1, "12x", [](Row&) {}},
        {2, "2147483648", [](Row&) {}},
        {4, " 7", [](Row&) {}},
        {8, "1970-01-01", [](Row&) {}},
        {9, "0x10", [](Row&) {}},
        {10, "2.5", [](Row&) {}},  // not the user's separator
        {10, "abc", [](Row&) {}},
    };
    for (const Case& c : cases) {
        TVelnWirelessProtocol p(nullptr);
        p.SetConsoleInfo(1, 13, "9");  // an existing row with a value of its own
        p.SetConsoleInfo(1, static_cast<std::uint8_t>(c.item), c.text);
        Row expected;
        expected.ItemByte13 = 9;
        c.expect(expected);
        ASSERT_EQ(p.ConsolesInfo().size(), 2u);
        EXPECT_EQ(p.ConsolesInfo()[1], expected) << "item " << c.item << " text '" << c.text << "'";
    }
}

TEST(SetConsoleInfo, UnconvertibleTextOverwritesAnEarlierValueWithZero) {
    TVelnWirelessProtocol p(nullptr);
    p.SetConsoleInfo(0, 9, "55");
    p.SetConsoleInfo(0, 9, "fifty");
    EXPECT_EQ(p.ConsolesInfo()[0].ItemInteger, 0);
}

#ifdef TRIMORA_GUI_THREAD_CHECKS
// The component's operations belong to the GUI thread; every command passes SendFrame.
TEST(ProtocolComponentDeathTest, CommandsAndTheSearchOffTheGuiThreadAbort) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    TVelnWirelessProtocol p(nullptr);
    EXPECT_DEATH(std::thread([&] { p.OpenRegistration(); }).join(),
                 "TVelnWirelessProtocol::SendFrame called off the GUI thread");
    EXPECT_DEATH(std::thread([&] { p.Connect(); }).join(),
                 "TVelnWirelessProtocol::Connect called off the GUI thread");
}
#endif
