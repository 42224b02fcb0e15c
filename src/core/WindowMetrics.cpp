#include "core/WindowMetrics.h"

#include <cmath>

FontUnits fontUnitsForWidth(int windowWidth) {
    return {static_cast<float>(windowWidth / 50), static_cast<float>(windowWidth / 70),
            static_cast<float>(windowWidth / 80)};
}

WindowMetrics mainWindowMetrics(int screenWidth) {
    WindowMetrics metrics;
    metrics.width = static_cast<int>(std::trunc(screenWidth * 0.8));
    // The divisor is a little below 16/9, so exact 16:9 widths land on whole heights, not just under.
    metrics.height = static_cast<int>(std::trunc(metrics.width / 1.7777777777777));
    metrics.fonts = fontUnitsForWidth(metrics.width);
    return metrics;
}
