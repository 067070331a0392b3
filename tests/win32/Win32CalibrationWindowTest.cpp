// The calibration window's Win32 view, on a real (wine's or Windows') desktop: where its controls
// lie at the monitor's resolution, what it paints, and what it forwards of the operator's input.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/logic/CalibrationGeometry.h"
#include "app/win32/Win32CalibrationWindow.h"
#include "app/win32/Win32Dpi.h"
#include "app/win32/Win32ShowRequest.h"

using namespace trimora;
namespace geometry = trimora::CalibrationGeometry;

namespace {

constexpr COLORREF Lime = RGB(0, 255, 0), Aqua = RGB(0, 255, 255), White = RGB(255, 255, 255);

struct Recorded {
    std::vector<int> Points;
    std::string Keys;
    int Closes = 0;
    int SessionEnds = 0;
};

void PumpPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

RECT ChildRect(HWND Child) {
    RECT rect;
    GetWindowRect(Child, &rect);
    MapWindowPoints(nullptr, GetParent(Child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectRect(const RECT& Actual, const RECT& Expected, const char* What) {
    EXPECT_EQ(Actual.left, Expected.left) << What;
    EXPECT_EQ(Actual.top, Expected.top) << What;
    EXPECT_EQ(Actual.right, Expected.right) << What;
    EXPECT_EQ(Actual.bottom, Expected.bottom) << What;
}

// What the window paints itself (the native controls are not part of it).
class Painted {
  public:
    explicit Painted(HWND Window) {
        GetClientRect(Window, &FClient);
        HDC screen = GetDC(nullptr);
        FCanvas = CreateCompatibleDC(screen);
        FBitmap = CreateCompatibleBitmap(screen, FClient.right, FClient.bottom);
        ReleaseDC(nullptr, screen);
        FOld = SelectObject(FCanvas, FBitmap);
        SendMessageA(Window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(FCanvas), PRF_CLIENT);
    }
    ~Painted() {
        SelectObject(FCanvas, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FCanvas);
    }
    COLORREF At(int X, int Y) const { return GetPixel(FCanvas, X, Y); }
    // Columns of row Y between Left and Right (exclusive) that have the colour.
    std::vector<int> ColumnsOf(COLORREF Colour, int Y, int Left, int Right) const {
        std::vector<int> columns;
        for (int x = Left; x < Right; ++x)
            if (At(x, Y) == Colour) columns.push_back(x);
        return columns;
    }
    bool Has(COLORREF Colour, const RECT& Area) const {
        for (int y = Area.top; y < Area.bottom; ++y)
            for (int x = Area.left; x < Area.right; ++x)
                if (At(x, y) == Colour) return true;
        return false;
    }

  private:
    RECT FClient{};
    HDC FCanvas = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
};

class Win32CalibrationWindowTest : public testing::Test {
  protected:
    Win32CalibrationWindowTest()
        : Window(GetModuleHandleA(nullptr),
                 {[this](int Point) { Seen.Points.push_back(Point); },
                  [this](char Key) { Seen.Keys += Key; }, [this] { ++Seen.Closes; },
                  [this] { ++Seen.SessionEnds; }}) {
        Window.Show();
        PumpPending();
    }

    int Dpi() const { return Window.Dpi(); }
    RECT Scaled(const TControlRect& Rect) const { return ScaleToDpi(Rect, Dpi()); }
    int Scaled(int Pixels) const { return ScaleToDpi(Pixels, Dpi()); }

    Recorded Seen;
    TWin32CalibrationWindow Window;
};

}  // namespace

TEST_F(Win32CalibrationWindowTest, ControlsLieWhereLaidOutAtTheMonitorsResolution) {
    ASSERT_NE(Window.Handle(), nullptr);
    RECT client;
    GetClientRect(Window.Handle(), &client);
    EXPECT_EQ(client.right, Scaled(geometry::ClientWidth));
    ExpectRect(ChildRect(Window.PointButton(1)), Scaled(geometry::Btn_P1), "P1");
    ExpectRect(ChildRect(Window.PointButton(2)), Scaled(geometry::Btn_P2), "P2");
    ExpectRect(ChildRect(Window.PointButton(3)), Scaled(geometry::Btn_P3), "P3");
    ExpectRect(ChildRect(Window.CheckBox()), Scaled(geometry::CheckBox1), "mph");
    char caption[64] = {};
    GetWindowTextA(Window.Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Trimora: not connected!");
    // A fixed dialog frame: no sizing border, no minimise or maximise box.
    const LONG_PTR style = GetWindowLongPtrA(Window.Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
}

TEST_F(Win32CalibrationWindowTest, SmallHeightKeepsTheStatusLineAndDShowsTheTextPane) {
    RECT window, client;
    GetWindowRect(Window.Handle(), &window);
    GetClientRect(Window.Handle(), &client);
    const int frame = (window.bottom - window.top) - client.bottom;
    // The small height with this system's frame; a taller caption makes the window grow.
    EXPECT_EQ(client.bottom, std::max(Scaled(geometry::MinimumClientHeight),
                                      Scaled(geometry::SmallOuterHeight) - frame));
    EXPECT_FALSE(IsWindowVisible(Window.Memo()));

    SetFocus(Window.PointButton(2));
    SendMessageA(Window.PointButton(2), WM_CHAR, 'd', 0);
    EXPECT_EQ(Seen.Keys, "d") << "the window sees the key before the focused control";
    Window.SetOuterHeight(geometry::LargeOuterHeight);
    PumpPending();
    GetWindowRect(Window.Handle(), &window);
    GetClientRect(Window.Handle(), &client);
    EXPECT_EQ(window.bottom - window.top, Scaled(geometry::LargeOuterHeight));
    ASSERT_TRUE(IsWindowVisible(Window.Memo()));
    // Anchored to all four sides: its margins to the right and bottom stay as laid out.
    const RECT memo = ChildRect(Window.Memo());
    EXPECT_EQ(memo.left, Scaled(geometry::Memo1.Left));
    EXPECT_EQ(memo.top, Scaled(geometry::Memo1.Top));
    EXPECT_EQ(client.right - memo.right, Scaled(geometry::MemoRightMargin));
    EXPECT_EQ(client.bottom - memo.bottom, Scaled(geometry::MemoBottomMargin));
    char text[16] = {};
    GetWindowTextA(Window.Memo(), text, sizeof text);
    EXPECT_STREQ(text, "Memo1");
}

TEST_F(Win32CalibrationWindowTest, ArrowAndZoneArePaintedWhereTheyAreSet) {
    // 20 km/h: the zone of P1 at x = 103, the gauge's box at x = 83, the arrow's tip at x = 108.
    Window.SetZone(true, 103, 10);
    Window.SetArrow(true, 83);
    Window.SetSpeedText("Speed: 20.0 km/h", true);
    {
        Painted picture(Window.Handle());
        const int shaftRow = Scaled(geometry::Indicatore.Top + 16);
        const std::vector<int> lime =
            picture.ColumnsOf(Lime, shaftRow, 0, Scaled(geometry::ClientWidth));
        ASSERT_FALSE(lime.empty());
        // The shaft is centred on the speed's place on the scale (5 px per km/h from x = 8).
        EXPECT_NEAR((lime.front() + lime.back()) / 2.0, Scaled(108), Scaled(1));
        const int zoneRow = Scaled(geometry::Zona.Top + geometry::Zona.Height / 2);
        const std::vector<int> aqua =
            picture.ColumnsOf(Aqua, zoneRow, 0, Scaled(geometry::ClientWidth));
        ASSERT_FALSE(aqua.empty());
        EXPECT_GE(aqua.front(), Scaled(103));
        EXPECT_LE(aqua.back(), Scaled(113));
        EXPECT_EQ(picture.At(Scaled(200), zoneRow), White) << "the scale";
    }

    // A stale display: no arrow; 40 km/h's zone at x = 203.
    Window.SetArrow(false, 83);
    Window.SetZone(true, 203, 10);
    Painted picture(Window.Handle());
    EXPECT_FALSE(picture.Has(Lime, Scaled({0, geometry::Indicatore.Top, geometry::ClientWidth,
                                           geometry::Indicatore.Height})));
    const int zoneRow = Scaled(geometry::Zona.Top + geometry::Zona.Height / 2);
    EXPECT_EQ(picture.At(Scaled(208), zoneRow), Aqua);
    EXPECT_EQ(picture.At(Scaled(108), zoneRow), White);
}

TEST_F(Win32CalibrationWindowTest, OperatorInputIsForwarded) {
    for (int point : {2, 3, 1}) SendMessageA(Window.PointButton(point), BM_CLICK, 0, 0);
    EXPECT_EQ(Seen.Points, (std::vector<int>{2, 3, 1}));

    EXPECT_FALSE(Window.MphChecked());
    SendMessageA(Window.CheckBox(), BM_CLICK, 0, 0);
    EXPECT_TRUE(Window.MphChecked());

    Window.FocusPointButton(3);
    EXPECT_EQ(GetFocus(), Window.PointButton(3));

    SendMessageA(Window.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Seen.Closes, 1);
    EXPECT_TRUE(IsWindow(Window.Handle())) << "the owner ends the window after its shut-down";
    EXPECT_NE(SendMessageA(Window.Handle(), WM_QUERYENDSESSION, 0, 0), 0);
    SendMessageA(Window.Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(Seen.SessionEnds, 1);
    SendMessageA(Window.Handle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(Seen.SessionEnds, 1) << "a cancelled end of session changes nothing";
}

TEST_F(Win32CalibrationWindowTest, ASecondStartBringsTheWindowBackToTheFront) {
    ShowWindow(Window.Handle(), SW_MINIMIZE);
    PumpPending();
    ASSERT_TRUE(IsIconic(Window.Handle()));
    EXPECT_TRUE(AskRunningWindowToFront(std::chrono::seconds(2)));
    PumpPending();
    EXPECT_FALSE(IsIconic(Window.Handle()));
    EXPECT_TRUE(IsWindowVisible(Window.Handle()));

    Window.Destroy();
    EXPECT_FALSE(AskRunningWindowToFront(std::chrono::milliseconds(200)))
        << "no running window: nobody answers";
}

TEST_F(Win32CalibrationWindowTest, OnAMonitorOfAnotherResolutionTheLayoutScalesAgain) {
    const int before = Dpi();
    const int after = before == 144 ? 96 : 144;
    RECT window;
    GetWindowRect(Window.Handle(), &window);
    // What the system suggests when the window moves to the other monitor.
    RECT suggested = {window.left, window.top,
                      window.left + MulDiv(window.right - window.left, after, before),
                      window.top + MulDiv(window.bottom - window.top, after, before)};
    SendMessageA(Window.Handle(), WM_DPICHANGED, MAKEWPARAM(after, after),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(Window.Dpi(), after);
    RECT client;
    GetClientRect(Window.Handle(), &client);
    EXPECT_EQ(client.right, ScaleToDpi(geometry::ClientWidth, after));
    ExpectRect(ChildRect(Window.PointButton(3)), ScaleToDpi(geometry::Btn_P3, after), "P3");
    ExpectRect(ChildRect(Window.CheckBox()), ScaleToDpi(geometry::CheckBox1, after), "mph");
}
