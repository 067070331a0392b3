#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/common/OpenboxProcess.h"

namespace trimora::test {

// openbox on this process's display: windows get frames and alt+F4 closes them as a user does.
class WindowManager {
  public:
    // Returns once openbox manages the display; Folder holds its start-up mark.
    bool Start(const std::string& Folder, std::string& Error);

  private:
    std::optional<OpenboxProcess> FOpenbox;
};

// A top-level window on the display, its client area in screen pixels.
struct DesktopWindow {
    std::string Id;
    int X = 0, Y = 0, Width = 0, Height = 0;
};

// The first window whose title matches Title (a regular expression), once it is mapped. The
// tools' output goes to files in Scratch.
std::optional<DesktopWindow> FindWindow(const std::string& Title, std::chrono::milliseconds Timeout,
                                        const std::string& Scratch);
// alt+F4 to the window, which the window manager turns into a close request.
bool CloseLikeUser(const DesktopWindow& Window, const std::string& Scratch);

// A part of the screen as RGB pixels.
class ScreenPicture {
  public:
    // Grabs the window's area from the screen; Scratch holds the work files, and the picture is
    // also saved as PngPath when it is not empty.
    static std::optional<ScreenPicture> Grab(const DesktopWindow& Window,
                                             const std::string& Scratch,
                                             const std::string& PngPath);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    std::uint32_t At(int X, int Y) const;  // 0xRRGGBB
    // The columns of row Y with that colour.
    std::vector<int> ColumnsOf(std::uint32_t Colour, int Y) const;
    int Count(std::uint32_t Colour) const;

  private:
    int FWidth = 0, FHeight = 0;
    std::vector<std::uint8_t> FRgb;
};

}  // namespace trimora::test
