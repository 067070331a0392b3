#pragma once

#include <windows.h>

namespace trimora {

// The calibration window's fonts at one resolution: "MS Sans Serif" at its 11 px character
// height, regular and bold, and the version text's "Terminal" at 8 px in the OEM character set.
class TWin32Fonts {
  public:
    explicit TWin32Fonts(int Dpi);
    ~TWin32Fonts();
    TWin32Fonts(const TWin32Fonts&) = delete;
    TWin32Fonts& operator=(const TWin32Fonts&) = delete;

    HFONT Regular() const { return FRegular; }
    HFONT Bold() const { return FBold; }
    HFONT Version() const { return FVersion; }

  private:
    HFONT FRegular = nullptr;
    HFONT FBold = nullptr;
    HFONT FVersion = nullptr;
};

}  // namespace trimora
