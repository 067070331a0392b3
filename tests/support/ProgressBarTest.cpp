#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/Application.h"
#include "runtime/TComponent.h"
#include "support/HeadlessProgressView.h"
#include "support/VelnProgressBar.h"

using namespace trimora;

namespace {
// The window as a user sees it through the view the progress bar drew with.
const THeadlessProgressView& Seen(const TVelnProgressBar& bar) {
    auto* view = dynamic_cast<THeadlessProgressView*>(bar.View());
    if (view == nullptr) throw std::logic_error("no headless view");
    return *view;
}

class ProgressBar : public ::testing::Test {
  protected:
    void TearDown() override { Application::Instance().Ui().SetProgressViewFactory(nullptr); }
};
}  // namespace

TEST_F(ProgressBar, IsBuiltHiddenWithItsFixedLook) {
    TVelnProgressBar bar(nullptr);
    EXPECT_FALSE(bar.FShowEnabled);
    const auto& history = Seen(bar).History();
    ASSERT_EQ(history.size(), 1u) << "the view gets the built window once";
    const ProgressWindowLook& look = history[0];

    EXPECT_FALSE(look.Visible);
    EXPECT_EQ(look.Caption, "TVelnProgressBar");
    EXPECT_EQ(look.Width, 377);
    EXPECT_EQ(look.Height, 50);
    EXPECT_TRUE(look.Borderless);
    EXPECT_TRUE(look.StayOnTop);
    EXPECT_TRUE(look.CentredOnMainWindow);

    EXPECT_EQ(look.BarName, "progressbar1");
    EXPECT_EQ(look.BarWidth, 361);
    EXPECT_EQ(look.BarHeight, 25);
    EXPECT_EQ(look.BarLeft, 8);
    EXPECT_EQ(look.BarTop, 25);
    EXPECT_EQ(look.Min, 0);
    EXPECT_EQ(look.Max, 100);
    EXPECT_EQ(look.Step, 1);
    EXPECT_EQ(look.Position, 100);

    EXPECT_EQ(look.LabelLeft, 8);
    EXPECT_EQ(look.LabelTop, 5);
    EXPECT_EQ(look.LabelText, "TVelnProgressBar");
    EXPECT_TRUE(look.LabelVisible);

    EXPECT_EQ(bar.GetPosition(), 100);
    EXPECT_EQ(bar.GetMax(), 100);
}

TEST_F(ProgressBar, ShowDoesNothingWhileShowingIsNotEnabled) {
    TVelnProgressBar bar(nullptr);
    bar.Show();
    bar.SetText("Finding USB dongle...COM3");
    bar.SetMax(4);
    bar.SetPosition(2);
    bar.Show();
    EXPECT_EQ(bar.GetPosition(), 2);
    EXPECT_EQ(bar.GetMax(), 4);
    EXPECT_EQ(Seen(bar).Current().LabelText, "Finding USB dongle...COM3");
    for (const auto& look : Seen(bar).History()) EXPECT_FALSE(look.Visible);
}

TEST_F(ProgressBar, NewWindowShowsAFullBarAndItsCaption) {
    TVelnProgressBar bar(nullptr);
    bar.FShowEnabled = true;
    bar.Show();
    const auto& now = Seen(bar).Current();
    EXPECT_TRUE(now.Visible);
    EXPECT_EQ(now.Position, now.Max);
    EXPECT_EQ(now.LabelText, "TVelnProgressBar");
}

TEST_F(ProgressBar, CloseHidesAndShowBringsBackTheLastValues) {
    TVelnProgressBar bar(nullptr);
    bar.FShowEnabled = true;
    bar.SetText("Finding USB dongle...ttyUSB0");
    bar.SetMax(4);
    bar.SetPosition(1);
    bar.Show();
    bar.SetText("Not Found on ttyUSB0");
    bar.Close();
    EXPECT_FALSE(Seen(bar).Current().Visible);
    EXPECT_EQ(bar.GetPosition(), 1);
    EXPECT_EQ(bar.GetMax(), 4);

    bar.Show();
    const auto& now = Seen(bar).Current();
    EXPECT_TRUE(now.Visible);
    EXPECT_EQ(now.LabelText, "Not Found on ttyUSB0");
    EXPECT_EQ(now.Position, 1);
    EXPECT_EQ(now.Max, 4);
}

TEST_F(ProgressBar, ShowingAgainBringsTheWindowToTheFrontOnceMore) {
    TVelnProgressBar bar(nullptr);
    bar.FShowEnabled = true;
    bar.Show();
    bar.Show();
    const auto& history = Seen(bar).History();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_TRUE(history[1].Visible);
    EXPECT_TRUE(history[2].Visible);
}

TEST_F(ProgressBar, PositionStaysWithinTheBar) {
    struct Case {
        const char* Name;
        std::int32_t Max, Position;
        std::int32_t ExpectedMax, ExpectedPosition;
    };
    const Case cases[] = {
        {"inside", 4, 2, 4, 2},
        {"at the maximum", 4, 4, 4, 4},
        {"above the maximum", 4, 9, 4, 4},
        {"below the minimum", 4, -3, 4, 0},
        {"empty range", 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TVelnProgressBar bar(nullptr);
        bar.SetMax(c.Max);
        bar.SetPosition(c.Position);
        EXPECT_EQ(bar.GetMax(), c.ExpectedMax);
        EXPECT_EQ(bar.GetPosition(), c.ExpectedPosition);
        EXPECT_EQ(Seen(bar).Current().Position, c.ExpectedPosition);
    }
    TVelnProgressBar bar(nullptr);  // full at 100: a smaller maximum brings the position down
    bar.SetMax(3);
    EXPECT_EQ(bar.GetPosition(), 3);
}

// A toolkit's view is used when one is installed. The record here outlives the window, as a
// caller that releases the window after its scan needs it to.
TEST_F(ProgressBar, DrawsWithTheInstalledViewAndItsRecordOutlivesTheWindow) {
    auto record = std::make_shared<THeadlessProgressView::Record>();
    int made = 0;
    Application::Instance().Ui().SetProgressViewFactory([&] {
        ++made;
        return std::make_unique<THeadlessProgressView>(record);
    });
    {
        TVelnProgressBar bar(nullptr);
        bar.FShowEnabled = true;
        bar.SetText("Finding USB dongle...COM1");
        bar.Show();
        bar.SetText("Found on COM1");
        bar.Close();
    }
    EXPECT_EQ(made, 1);
    std::vector<std::pair<std::string, bool>> seen;
    for (const auto& look : *record) seen.emplace_back(look.LabelText, look.Visible);
    const std::vector<std::pair<std::string, bool>> expected = {
        {"TVelnProgressBar", false},
        {"Finding USB dongle...COM1", false},
        {"Finding USB dongle...COM1", true},
        {"Found on COM1", true},
        {"Found on COM1", false},
    };
    EXPECT_EQ(seen, expected);
}

TEST_F(ProgressBar, AToolkitThatCannotBuildTheWindowLeavesAWorkingModel) {
    Application::Instance().Ui().SetProgressViewFactory(
        []() -> std::unique_ptr<TProgressWindowView> { throw std::runtime_error("no display"); });
    TVelnProgressBar bar(nullptr);
    bar.SetMax(4);
    bar.SetPosition(2);
    EXPECT_EQ(bar.GetPosition(), 2);
    EXPECT_EQ(bar.GetMax(), 4);
}

TEST_F(ProgressBar, OwnerReleasedFirstTakesTheWindowWithIt) {
    auto owner = std::make_unique<TComponent>(nullptr);
    TVelnProgressBar bar(owner.get());
    bar.FShowEnabled = true;
    bar.SetMax(4);
    bar.Show();
    EXPECT_EQ(owner->ComponentCount(), 1);
    owner.reset();
    EXPECT_EQ(bar.View(), nullptr);
    EXPECT_EQ(bar.GetPosition(), 0);
    EXPECT_EQ(bar.GetMax(), 0);
    bar.SetText("ignored");  // no window, nothing to do
    bar.SetPosition(1);
    bar.Show();
    bar.Close();
}

TEST_F(ProgressBar, ReleasingTheObjectReleasesTheWindowFromItsOwner) {
    TComponent owner(nullptr);
    {
        TVelnProgressBar bar(&owner);
        EXPECT_EQ(owner.ComponentCount(), 1);
    }
    EXPECT_EQ(owner.ComponentCount(), 0);
}
