#include "app/win32/Win32Fonts.h"

#include <initializer_list>

#include "app/logic/CalibrationGeometry.h"
#include "app/win32/Win32Dpi.h"

namespace trimora {

namespace {

HFONT MakeFont(const char* Face, int CharacterHeight, int Weight, BYTE CharSet) {
    LOGFONTA font{};
    font.lfHeight = -CharacterHeight;  // negative: the character's height, not the cell's
    font.lfWeight = Weight;
    font.lfCharSet = CharSet;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    lstrcpynA(font.lfFaceName, Face, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

}  // namespace

TWin32Fonts::TWin32Fonts(int Dpi) {
    using namespace CalibrationGeometry;
    const int height = ScaleToDpi(FontPixelHeight, Dpi);
    FRegular = MakeFont("MS Sans Serif", height, FW_NORMAL, DEFAULT_CHARSET);
    FBold = MakeFont("MS Sans Serif", height, FW_BOLD, DEFAULT_CHARSET);
    FVersion =
        MakeFont("Terminal", ScaleToDpi(VersionFontPixelHeight, Dpi), FW_NORMAL, OEM_CHARSET);
}

TWin32Fonts::~TWin32Fonts() {
    for (HFONT font : {FRegular, FBold, FVersion})
        if (font != nullptr) DeleteObject(font);
}

}  // namespace trimora
