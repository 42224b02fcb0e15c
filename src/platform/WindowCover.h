#pragma once

#include <QtGlobal>

// Whether windows stacked above the top-level frame of this X window hide all of it. False when
// that cannot be told: not on X11, or the window is gone.
[[nodiscard]] bool windowCovered(quintptr window);
