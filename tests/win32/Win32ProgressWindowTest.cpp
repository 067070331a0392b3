// The progress window's Win32 view: frame, stacking, sizes and the bar as the model describes.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/win32/Win32ProgressWindow.h"
#include "tests/common/SearchWindowLook.h"

using namespace trimora;

namespace {

// The search under way: the third of four ports.
ProgressWindowLook SearchLook() {
    ProgressWindowLook look = test::NewSearchWindowLook();
    look.Max = 4;
    look.Position = 2;
    look.LabelText = "Finding USB dongle...COM3";
    look.Visible = true;
    return look;
}

RECT ChildRect(HWND Child) {
    RECT rect;
    GetWindowRect(Child, &rect);
    MapWindowPoints(nullptr, GetParent(Child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

TEST(Win32ProgressWindow, BorderlessOnTopWithTheBarAndTextOfTheLook) {
    TWin32ProgressWindow view(GetModuleHandleA(nullptr), [] { return HWND(nullptr); });
    view.Apply(SearchLook());
    HWND window = view.Handle();
    ASSERT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 377);
    EXPECT_EQ(frame.bottom - frame.top, 50);
    const RECT bar = ChildRect(view.Bar());
    EXPECT_EQ(bar.left, 8);
    EXPECT_EQ(bar.top, 25);
    EXPECT_EQ(bar.right - bar.left, 361);
    EXPECT_EQ(bar.bottom - bar.top, 25);
    EXPECT_EQ(SendMessageA(view.Bar(), PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(SendMessageA(view.Bar(), PBM_GETRANGE, FALSE, 0), 4);
    char text[64] = {};
    GetWindowTextA(view.Label(), text, sizeof text);
    EXPECT_STREQ(text, "Finding USB dongle...COM3");
    EXPECT_TRUE(IsWindowVisible(view.Label()));

    // Centred on the work area while there is no main window.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_NEAR((frame.left + frame.right) / 2.0,
                (monitor.rcWork.left + monitor.rcWork.right) / 2.0, 1.0);

    ProgressWindowLook hidden = SearchLook();
    hidden.Visible = false;
    view.Apply(hidden);
    EXPECT_FALSE(IsWindowVisible(window));
}
