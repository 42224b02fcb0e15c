#pragma once

// The three font units of the launcher, whole numbers derived from the window width.
struct FontUnits {
    float LargeFontSize = 0;
    float BaseFontSize = 0;
    float SmallFontSize = 0;
};

// The main window's size at the current screen: 80 % of the screen width, 16:9, no limits (a very wide
// screen gives a window taller than the screen). Only the screen width matters.
struct WindowMetrics {
    int width = 0;
    int height = 0;
    FontUnits fonts;
};

[[nodiscard]] FontUnits fontUnitsForWidth(int windowWidth);
[[nodiscard]] WindowMetrics mainWindowMetrics(int screenWidth);
