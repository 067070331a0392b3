#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "runtime/TMemo.h"
#include "support/HeadlessProgressView.h"
#include "tools/dongle_sim/DongleSim.h"

namespace trimora {

inline std::ostream& operator<<(std::ostream& Out, TVelnConnectionStatus S) {
    switch (S) {
        case TVelnConnectionStatus::csTrying:
            return Out << "csTrying";
        case TVelnConnectionStatus::csFound:
            return Out << "csFound";
        case TVelnConnectionStatus::csNotFound:
            return Out << "csNotFound";
    }
    return Out << static_cast<int>(S);
}

}  // namespace trimora

namespace trimora::testing {

// A device node that no process can open: open() fails with ENOENT.
inline const std::string kMissingDevice = "/dev/trimora-no-such-device";

struct StatusEvent {
    int Max;
    int Position;
    TVelnConnectionStatus Status;
    std::string Port;
    bool operator==(const StatusEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& Out, const StatusEvent& E) {
    return Out << "(" << E.Max << ", " << E.Position << ", " << E.Status << ", " << E.Port << ")";
}

inline std::unique_ptr<sim::DongleSim> StartDongle(sim::SimConfig Config = {}) {
    auto dongle = std::make_unique<sim::DongleSim>(std::move(Config));
    std::string error;
    EXPECT_TRUE(dongle->Start(&error)) << error;
    return dongle;
}

// A device that opens but never answers.
inline std::unique_ptr<sim::DongleSim> StartSilentDevice() {
    sim::SimConfig config;
    config.Faults.Silent = true;
    return StartDongle(config);
}

// The hex texts of the frames the host sent, in order.
inline std::vector<std::string> HostHex(const sim::DongleSim& Dongle) {
    std::vector<std::string> hex;
    for (const sim::HostFrame& f : Dongle.HostFrames()) hex.push_back(f.Hex);
    return hex;
}

// Records every progress window built while it lives, as a user would have seen it.
class ProgressWindowRecord {
  public:
    ProgressWindowRecord() {
        Application::Instance().Ui().SetProgressViewFactory(
            [record = FRecord] { return std::make_unique<THeadlessProgressView>(record); });
    }
    ~ProgressWindowRecord() { Application::Instance().Ui().SetProgressViewFactory(nullptr); }

    // The texts the window showed, each once per change.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const ProgressWindowLook& look : *FRecord)
            if (look.Visible && (texts.empty() || texts.back() != look.LabelText))
                texts.push_back(look.LabelText);
        return texts;
    }
    const ProgressWindowLook& Last() const { return FRecord->back(); }
    bool Empty() const { return FRecord->empty(); }

  private:
    std::shared_ptr<THeadlessProgressView::Record> FRecord =
        std::make_shared<THeadlessProgressView::Record>();
};

// A component as the calibration window holds it, with a trace pane and a record of the
// search's status events. The delay after opening and closing is cut to keep tests short.
class SearchingProtocol {
  public:
    SearchingProtocol() {
        P.SetDebugMemo(&Trace);
        P.SetDisplayMessage(true);
        P.SetDisconDelayBetweenCloseOpenPort(20);
        P.OnConnectionStatus = [this](std::int32_t Max, std::int32_t Position,
                                      TVelnConnectionStatus Status, const std::string& Port) {
            Statuses.push_back({Max, Position, Status, Port});
        };
    }

    bool TraceHas(const std::string& Line) const {
        for (const std::string& l : Trace.Lines())
            if (l == Line) return true;
        return false;
    }

    TMemo Trace;
    std::vector<StatusEvent> Statuses;
    TVelnWirelessProtocol P{nullptr};
};

}  // namespace trimora::testing
