// The Win32 view's own tests under wine at 100, 150 and 200 %: wine reads the resolution from
// the registry when a program starts, and the view scales its layout from it.
#include <gtest/gtest.h>

#include <string>

#include "tests/common/ProgramProcess.h"
#include "tests/common/ScratchFolder.h"
#include "tests/e2e/VirtualDisplay.h"
#include "tests/wine/DesktopTools.h"
#include "tests/wine/WineSession.h"

using namespace std::chrono_literals;
using namespace trimora;

namespace {

int SetScreenDpi(test::WineSession& Wine, int Dpi) {
    return Wine.Run({"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t",
                     "REG_DWORD", "/d", std::to_string(Dpi), "/f"});
}

// The prefix is shared with the other wine tests: they expect 100 %, however this one ends.
struct DpiRestore {
    test::WineSession& Wine;
    ~DpiRestore() { SetScreenDpi(Wine, 96); }
};

}  // namespace

TEST(Win32ViewUnderWine, PassesAtOneHundredOneHundredFiftyAndTwoHundredPercent) {
    test::ScratchFolder scratch{"trimora-wine-dpi"};
    test::VirtualDisplay display;
    std::string error;
    // Tall enough for the large window at 200 %: 800 px and its frame.
    ASSERT_TRUE(display.StartAsThisProcessDisplay(error, "1920x1200x24")) << error;
    // As on a desktop; without a window manager wine also waits 2 s for each closed window.
    test::WindowManager manager;
    ASSERT_TRUE(manager.Start(scratch.Path(), error)) << error;
    test::WineSession wine{TRIMORA_WINE_PREFIX, scratch.Path()};
    ASSERT_TRUE(wine.Start(error)) << error;
    const DpiRestore restore{wine};
    for (int dpi : {96, 144, 192}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        ASSERT_EQ(SetScreenDpi(wine, dpi), 0);
        test::ProgramProcess tests(wine.Command({TRIMORA_WIN32_VIEW_TESTS}), wine.Environment(),
                                   scratch.Path(), "view-tests-" + std::to_string(dpi));
        EXPECT_EQ(test::RunToEnd(tests, 120s), 0) << tests.Out() << tests.Err();
    }
}
