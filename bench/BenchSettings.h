#pragma once

#include "Settings.h"

// What the benchmarks compose with: fitted, a white date caption bottom right.
inline Settings benchSettings() {
    Settings s;
    s.Stretch = true;
    s.ShowCaption = true;
    s.CaptionType = 0;
    s.FontName = QStringLiteral("IPAGothic");
    s.FontSize = 24;
    s.FontColor = 0xffffff;
    s.Location = 3;
    return s;
}
