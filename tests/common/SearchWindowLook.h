#pragma once

#include "runtime/UiHooks.h"

namespace trimora::test {

// The look of a new search window: 377 x 50, a full bar 361 x 25 at (8, 25), text at (8, 5).
inline ProgressWindowLook NewSearchWindowLook() {
    ProgressWindowLook look;
    look.Caption = "TVelnProgressBar";
    look.Width = 377;
    look.Height = 50;
    look.BarName = "progressbar1";
    look.BarLeft = 8;
    look.BarTop = 25;
    look.BarWidth = 361;
    look.BarHeight = 25;
    look.Min = 0;
    look.Max = 100;
    look.Step = 1;
    look.Position = 100;
    look.LabelLeft = 8;
    look.LabelTop = 5;
    look.LabelText = "TVelnProgressBar";
    look.LabelVisible = true;
    return look;
}

}  // namespace trimora::test
